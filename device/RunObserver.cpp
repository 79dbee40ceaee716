#include "device/RunObserver.h"

#include <QCoreApplication>

namespace device {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("device::RunObserver", text);
}

} // namespace

QString durationText(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(1, (ms + 500) / 1000);
    if (seconds < 60)
        return tr("%1 s").arg(seconds);
    return tr("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

QString progressText(Phase phase, int block, int blocks, qint64 msLeft)
{
    QString name;
    switch (phase) {
    case Phase::Programming:
        name = tr("Programming");
        break;
    case Phase::Verifying:
        name = tr("Verifying");
        break;
    case Phase::Reading:
        name = tr("Reading");
        break;
    }
    QString text = tr("%1 block %2 of %3").arg(name).arg(block).arg(blocks);
    if (msLeft >= 0)
        text += tr(", about %1 left").arg(durationText(msLeft));
    return text;
}

} // namespace device
