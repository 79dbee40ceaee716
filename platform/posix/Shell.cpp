#include "platform/Shell.h"

#include <QLoggingCategory>
#include <QProcess>

Q_LOGGING_CATEGORY(lcShell, "kovara.shell")

namespace platform {

namespace {

// exitStatus: xdg-open's, -1 when it could not be started at all.
Shell::Result resultOfExitStatus(int exitStatus)
{
    switch (exitStatus) {
    case 0:
        return Shell::Result::Opened;
    case -1: // xdg-open itself is missing
    case 3:  // xdg-open found no tool for this kind of address
        return Shell::Result::NoAssociation;
    default:
        // Syntax error (1), missing file (2), the opener failed (4), a crash: none of these has a
        // message of its own for a web address.
        return Shell::Result::Failed;
    }
}

} // namespace

Shell::Result DesktopShell::open(const QString &address)
{
    QProcess process;
    process.setProgram(QStringLiteral("xdg-open"));
    process.setArguments({address});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    int status = -1;
    if (process.waitForStarted(5000)) {
        if (process.waitForFinished(10000))
            status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 4;
        else
            status = 0; // still starting the browser: it was handed over
    }
    qCInfo(lcShell).noquote() << "shell open" << address << "status" << status;
    return resultOfExitStatus(status);
}

} // namespace platform
