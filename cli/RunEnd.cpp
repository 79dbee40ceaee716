#include "cli/RunEnd.h"

#include "core/TransferText.h"
#include "platform/SerialPort.h"

#include <QCoreApplication>

namespace cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("cli::RunEnd", text);
}

} // namespace

RunEnd runEnd(device::RunOutcome outcome, bool stopped, int port, const QString &serial, qint64 ms)
{
    using device::RunOutcome;
    if (outcome == RunOutcome::Done) {
        return {ExitCode::Success,
                tr("Scale %1 on %2 is updated and verified, in %3.")
                    .arg(serial, platform::comName(port), core::runTimeText(ms))};
    }
    if (stopped || outcome == RunOutcome::Stopped)
        return {ExitCode::Stopped, tr("Stopped: the scale's update is unfinished; run it again.")};
    if (outcome == RunOutcome::SerialRefused) {
        // Another scale put on the port refuses the session of the one that was read.
        return {ExitCode::ScaleError,
                tr("Serial number wrong: the scale on %1 refused the session of scale %2, so the "
                   "update is unfinished. Check which scale is connected, then run it again.")
                    .arg(platform::comName(port), serial)};
    }
    return {ExitCode::ScaleError,
            tr("A communication error with your scale was encountered. Please make sure that your "
               "Kovara scale is connected to your computer and that it is turned on.")};
}

QString noScaleText(int port, const QStringList &refused)
{
    QString text = port != 0 ? tr("No scale answers on %1.").arg(platform::comName(port))
                             : tr("No scale answers on any serial port.");
    text += QLatin1Char(' ')
        + tr("Make sure that your Kovara scale is connected to your computer and that it is "
             "turned on.");
    for (const QString &refusal : refused)
        text += QLatin1Char('\n') + refusal;
    return text;
}

QString portNames(const QList<int> &ports)
{
    QStringList names;
    for (const int port : ports)
        names << platform::comName(port);
    return names.join(QStringLiteral(", "));
}

qint64 runStepsDone(const core::RunProgress &progress)
{
    const bool verifying = progress.phase == core::RunProgress::Phase::Verifying;
    return progress.block - 1 + (verifying ? progress.blocks : 0);
}

} // namespace cli
