// The Kovara scale update program: a wizard that brings a postage scale's rates up to date.

#include "app/UpdateFlow.h"
#include "cli/CommandLineMain.h"
#include "core/UpdateSignature.h"
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
#include "platform/ProgramArguments.h"
#include "platform/RunningMark.h"
#include "platform/Shell.h"
#include "platform/StandardStream.h"
#include "platform/SupportLog.h"
#include "platform/SystemSerial.h"
#include "ui/Look.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QNetworkAccessManager>

#include <memory>

namespace {

#ifdef KOVARA_WINDOWED_PROGRAM
// The windowed Windows program given a command never ends in silence: on the console it was
// typed into, or in a box when there is none, it names its console companion.
int pointToTheCommandLine(int argc, char *argv[])
{
    const QString text = cli::windowedProgramText();
    if (platform::StandardStream::attachToParentConsole()) {
        platform::StandardStream(platform::StandardStream::Which::Error)
            .write('\n' + text.toUtf8() + '\n');
    } else {
        QApplication app(argc, argv);
        QtPrompts().tell(nullptr, {text, QMessageBox::Ok, QMessageBox::Information});
    }
    return int(cli::ExitCode::Usage);
}
#endif

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_MESSAGE_PATTERN"))
        qSetMessagePattern(
            QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{category} %{type}: %{message}"));

    // The setup does not replace the files of a program that runs.
    const platform::RunningMark running;
    const QStringList arguments = platform::programArguments(argc, argv);
    const bool commandLine = cli::wantsCommandLine(arguments);
#ifdef KOVARA_WINDOWED_PROGRAM
    if (commandLine)
        return pointToTheCommandLine(argc, argv);
#endif
    const cli::Command command = commandLine ? cli::parseCommandLine(arguments) : cli::Command {};
    QCoreApplication::setApplicationVersion(QString::fromLatin1(build_config::kProgramVersion));
    platform::StandardStream out(platform::StandardStream::Which::Output);
    platform::StandardStream err(platform::StandardStream::Which::Error);
    if (const int answered = cli::answerWithoutServices(command, out, err); answered >= 0)
        return answered;

    // The command line needs no display.
    std::unique_ptr<QCoreApplication> app = commandLine
        ? std::make_unique<QCoreApplication>(argc, argv)
        : std::make_unique<QApplication>(argc, argv);
    // Window titles are the program's captions exactly: no application display name.
    QCoreApplication::setApplicationName(QStringLiteral("kovara-pc-program"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kovara"));
    if (!commandLine) {
        QApplication::setQuitOnLastWindowClosed(false);
        QApplication::setFont(look::baseFont());
    }

    // Made after the application and gone before it.
    const platform::WorkingFolder files = platform::WorkingFolder::standard();
    // On the terminal only the command's own words, unless asked for the log lines.
    const platform::SupportLog supportLog(files.supportLog(), !commandLine || command.verbose);
    qInfo().noquote() << "kovara-pc-program" << QCoreApplication::applicationVersion() << "started"
                      << arguments.mid(1).join(QLatin1Char(' '));
    QNetworkAccessManager network;
    platform::StorageDiskSpace disk;
    net::Downloader downloader(network, disk);
    // The tests and the demo link virtual scales into a folder of their own.
    platform::SystemSerial ports(build_config::kStandInsFromEnvironment
                                     ? qEnvironmentVariable("KOVARA_SERIAL_PORTS")
                                     : QString());
    platform::SystemClock clock;
    device::ScaleProgrammer scale(ports, clock);
    QList<QByteArray> keyLines;
    for (const char *line : build_config::kTrustedKeys)
        keyLines << QByteArray(line);
    const QList<core::TrustedKey> trusted = core::trustedKeys(keyLines);
    // The windowed Windows program has returned above; this one runs the command.
    // cppcheck-suppress identicalConditionAfterEarlyExit
    if (commandLine)
        return cli::runCommand(
            command, {ports, scale, downloader, clock, files, trusted}, out, err);

    net::MakerAddresses addresses = net::MakerAddresses::built();
    // The whole-program tests start a maker server tool of their own.
    if (build_config::kStandInsFromEnvironment && qEnvironmentVariableIsSet("KOVARA_MAKER_URL"))
        addresses = net::MakerAddresses::onOneServer(qEnvironmentVariable("KOVARA_MAKER_URL"));
    net::MakerClient maker(network, addresses.queryUrl());
    net::HttpInternetProbe probe(addresses.probeUrl());
    QtPrompts prompts;
    platform::DesktopShell shell;
    platform::SystemProcess process;
    UpdateFlow flow({prompts,
                     maker,
                     addresses,
                     probe,
                     downloader,
                     scale,
                     ports,
                     clock,
                     shell,
                     process,
                     files,
                     trusted});
    flow.start();
    return QApplication::exec();
}
