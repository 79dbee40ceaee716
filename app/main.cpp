// The Kovara scale update program: a wizard that brings a postage scale's rates up to date.

#include "app/UpdateFlow.h"
#include "device/ScaleProgrammer.h"
#include "net/Downloader.h"
#include "net/InternetProbe.h"
#include "net/MakerAddresses.h"
#include "net/MakerClient.h"
#include "platform/BuildConfig.h"
#include "platform/Clock.h"
#include "platform/DiskSpace.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "platform/SystemSerial.h"
#include "ui/Look.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QNetworkAccessManager>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_MESSAGE_PATTERN"))
        qSetMessagePattern(
            QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{category} %{type}: %{message}"));

    QApplication app(argc, argv);
    // Window titles are the program's captions exactly: no application display name.
    QApplication::setApplicationName(QStringLiteral("kovara-pc-program"));
    QApplication::setOrganizationName(QStringLiteral("Kovara"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setFont(look::baseFont());

    int status = 0;
    {
        QNetworkAccessManager network;
        net::MakerClient maker(network, maker::queryUrl());
        net::HttpInternetProbe probe(QString::fromUtf8(build_config::kProbeUrl));
        platform::StorageDiskSpace disk;
        net::Downloader downloader(network, disk);
        platform::SystemSerial ports;
        platform::SystemClock clock;
        device::ScaleProgrammer scale(ports, clock);
        QtPrompts prompts;
        platform::DesktopShell shell;
        platform::SystemProcess process;
        const platform::WorkingFolder files = platform::WorkingFolder::standard();
        UpdateFlow flow(
            {prompts, maker, probe, downloader, scale, ports, clock, shell, process, files});
        flow.start();
        status = QApplication::exec();
    }
    return status;
}
