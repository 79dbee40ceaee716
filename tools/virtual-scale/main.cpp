// kovara-virtual-scale: a simulated scale on a pseudo-terminal, linked as COM<n> in a ports folder
// (the folder a development build of the program reads from KOVARA_SERIAL_PORTS).
//
//   kovara-virtual-scale --ports-dir DIR --com 3 --serial 12345678 [--pace] [--dump FILE] ...
//
// Prints "COM3 -> /dev/pts/N" once the port is ready, then serves until SIGTERM or SIGINT, when
// it writes the flash to --dump (also written after every closed session) and removes its link.

#include "FaultOptions.h"
#include "PtyServer.h"
#include "VirtualScale.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>

#include <unistd.h>

using namespace virtual_scale;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(g_signalPipe[1], &byte, 1);
}

bool writeFlash(const VirtualScale &scale, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(scale.flash()) != kFlashSize
        || !file.commit()) {
        std::fprintf(stderr,
                     "kovara-virtual-scale: cannot write %s: %s\n",
                     qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "kovara-virtual-scale: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kovara-virtual-scale"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated postage scale in its boot loader, on a pseudo-terminal linked "
                       "as COM<n> in a ports folder."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("ports-dir"), QStringLiteral("Folder for the COM link."), "DIR"},
        {QStringLiteral("com"),
         QStringLiteral("Port number n of the link COMn (default 3)."),
         "N",
         QStringLiteral("3")},
        {QStringLiteral("serial"),
         QStringLiteral("Serial number: 8 digits (hex letters give one that is not BCD)."),
         "DIGITS"},
        {QStringLiteral("image"), QStringLiteral("Start the flash from a binary."), "FILE"},
        {QStringLiteral("dump"),
         QStringLiteral("Write the flash here after each closed session and on exit."),
         "FILE"},
        {QStringLiteral("pace"), QStringLiteral("Time the line as 19200 baud 8N1.")},
        {QStringLiteral("flash-write-ms"),
         QStringLiteral("Time the scale takes to write a block (default 0)."),
         "MS",
         QStringLiteral("0")},
        {QStringLiteral("silent"), QStringLiteral("Answer nothing.")},
        {QStringLiteral("fault"),
         QStringLiteral("Misbehave as the words say, e.g. \"refuse C3 @0100 x3\" (repeatable)."),
         "WORDS"},
        {QStringLiteral("verbose"), QStringLiteral("Log every frame to stderr.")},
    });
    parser.process(app);

    const QString portsDir = parser.value(QStringLiteral("ports-dir"));
    if (portsDir.isEmpty())
        return fail(QStringLiteral("--ports-dir is required"));
    bool ok = false;
    const int com = parser.value(QStringLiteral("com")).toInt(&ok);
    if (!ok || com <= 0)
        return fail(QStringLiteral("--com needs a port number"));

    VirtualScale scale;
    if (parser.isSet(QStringLiteral("image"))) {
        QFile image(parser.value(QStringLiteral("image")));
        if (!image.open(QIODevice::ReadOnly))
            return fail(
                QStringLiteral("cannot read %1: %2").arg(image.fileName(), image.errorString()));
        scale.loadImage(image.read(kFlashSize));
    }
    if (parser.isSet(QStringLiteral("serial"))
        && !scale.setSerialNumber(parser.value(QStringLiteral("serial"))))
        return fail(QStringLiteral("--serial needs 8 digits"));
    Timing timing;
    timing.paced = parser.isSet(QStringLiteral("pace"));
    timing.flashWriteMs = parser.value(QStringLiteral("flash-write-ms")).toDouble(&ok);
    if (!ok || timing.flashWriteMs < 0)
        return fail(QStringLiteral("--flash-write-ms needs a number of milliseconds"));
    scale.setTiming(timing);
    scale.setSilent(parser.isSet(QStringLiteral("silent")));
    for (const QString &words : parser.values(QStringLiteral("fault"))) {
        QString error;
        const std::optional<Fault> fault = parseFault(words, &error);
        if (!fault)
            return fail(error);
        scale.addFault(*fault);
    }

    const bool verbose = parser.isSet(QStringLiteral("verbose"));
    const QString dump = parser.value(QStringLiteral("dump"));
    scale.setFrameObserver([&](const FrameRecord &record) {
        if (verbose)
            std::fprintf(stderr, "%10.1f ms  %s\n", record.atMs, qPrintable(describe(record)));
        if (record.command == kCloseSession && !dump.isEmpty())
            writeFlash(scale, dump);
    });

    PtyServer server(scale);
    QString error;
    if (!server.start(&error))
        return fail(error);

    if (!QDir().mkpath(portsDir))
        return fail(QStringLiteral("cannot create %1").arg(portsDir));
    const QString link = QDir(portsDir).filePath(QStringLiteral("COM%1").arg(com));
    QFile::remove(link);
    if (!QFile::link(server.terminalPath(), link))
        return fail(QStringLiteral("cannot link %1 to %2").arg(link, server.terminalPath()));

    if (::pipe(g_signalPipe) != 0)
        return fail(QStringLiteral("cannot make a pipe"));
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(
        &signalNotifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGHUP, onSignal);

    std::printf("COM%d -> %s\n", com, qPrintable(server.terminalPath()));
    std::fflush(stdout);
    if (verbose)
        std::fprintf(stderr,
                     "serial number %s, %s\n",
                     qPrintable(scale.serialNumber()),
                     timing.paced ? "paced at 19200 baud" : "unpaced");

    const int status = QCoreApplication::exec();
    if (QFileInfo(link).symLinkTarget() == server.terminalPath())
        QFile::remove(link);
    if (!dump.isEmpty() && !writeFlash(scale, dump))
        return 1;
    return status;
}
