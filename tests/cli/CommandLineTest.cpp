// The command line: each row is a command line against the virtual scale (and the maker server
// tool for an address), with the exit status and the last line it prints: the result on the
// output stream, a failure's words on the error stream.

#include "Journey.h"
#include "MakerServer.h"
#include "ScriptedSocketServer.h"
#include "UpdateFile.h"

#include "cli/CommandRun.h"
#include "platform/HistoryFile.h"
#include "platform/InterruptSignal.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

using namespace testing_support;
using cli::ExitCode;

struct Row
{
    const char *what;
    QString given; // Journey's words for the ports and the scale
    QString arguments;
    ExitCode code;
    QString last; // how the last line starts
    std::function<void(TestPlatform &)> check = {};
    // Ctrl-C when the scale takes this command's frame of block 100.
    quint8 interruptAt = 0;
    const char *linuxOnly = nullptr; // what the row needs that only Linux has
    // How the system asks the program to stop then, through platform::InterruptSignal; by
    // default the run is interrupted directly.
    std::function<void()> stopBy = {};
};

#ifdef Q_OS_WIN
// The console's handler called with an event as the system calls it, on a thread of its own:
// Wine's console sends only Ctrl-C and Ctrl-Break. The handler waits for the program's end.
std::function<void()> consoleEvent(DWORD event)
{
    return [event] {
        std::thread([event] { platform::InterruptSignal::consoleEvent(event); }).detach();
    };
}
#endif

// The port's close, asked at the end, comes in its turn on the scale's thread.
bool closedInItsTurn(TestPlatform &test, int port)
{
    return QTest::qWaitFor([&] { return !test.serial.isOpen(port); }, 5000);
}

// The records of the runs on a scale, oldest first.
QList<QJsonObject> history(TestPlatform &test)
{
    return platform::HistoryFile(test.files.historyFile()).read().records;
}

// The run stopped between two frames: the scale's last frame closed the session.
void sessionClosedLast(TestPlatform &test)
{
    ASSERT_FALSE(history(test).isEmpty());
    EXPECT_EQ(history(test).last().value("outcome").toString(), QStringLiteral("stopped"));
    const auto &frames = test.serial.scale(1)->frames();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_NE(frames.at(frames.size() - 2).command, virtual_scale::kCloseSession);
    EXPECT_EQ(frames.back().command, virtual_scale::kCloseSession);
    EXPECT_TRUE(closedInItsTurn(test, 1));
}

// Each scale on a port of ports holds the image under its own serial number; each other scale is
// untouched. Each updated scale has its record.
std::function<void(TestPlatform &)> updatedOnly(const QList<int> &ports)
{
    return [ports](TestPlatform &test) {
        QStringList recorded;
        for (const QJsonObject &record : history(test)) {
            if (record.value("outcome").toString() == QStringLiteral("updated"))
                recorded << record.value("port").toString() + ' '
                        + record.value("serial").toString();
        }
        QStringList expected;
        for (const platform::SerialPortInfo &port : test.serial.ports()) {
            const virtual_scale::VirtualScale *scale = test.serial.scale(port.number);
            if (!scale)
                continue;
            virtual_scale::VirtualScale untouched;
            untouched.setSerialNumber(scale->serialNumber());
            const bool updated = ports.contains(port.number);
            EXPECT_EQ(scale->flash(),
                      updated ? programmedImage(applicationImage(), scale->serialNumber())
                              : untouched.flash())
                << port.name().toStdString();
            if (updated)
                expected << port.name() + ' ' + scale->serialNumber();
            EXPECT_TRUE(closedInItsTurn(test, port.number));
        }
        // Recorded as each ended, in any order.
        recorded.sort();
        EXPECT_EQ(recorded, expected);
    };
}

// A refused file: the scale's session was never opened.
void noSession(TestPlatform &test)
{
    for (const auto &frame : test.serial.scale(1)->frames())
        EXPECT_NE(frame.command, virtual_scale::kOpenSession);
}

// A refused download: neither the file nor its signature stays, and the scale was not touched.
void downloadGone(TestPlatform &test)
{
    EXPECT_FALSE(QFile::exists(test.files.updateFile()));
    EXPECT_FALSE(QFile::exists(core::signaturePath(test.files.updateFile())));
    noSession(test);
}

// What a terminal shows after text: letters, CR, LF, and the cursor moved up and down.
QStringList screen(const QString &text)
{
    static const QRegularExpression move(QStringLiteral("^\x1b\\[(\\d+)([AB])"));
    QStringList rows {QString()};
    int row = 0;
    int column = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\x1b')) {
            const QRegularExpressionMatch m = move.match(QStringView(text).mid(i));
            EXPECT_TRUE(m.hasMatch());
            row += m.captured(2) == QLatin1String("A") ? -m.captured(1).toInt()
                                                       : m.captured(1).toInt();
            i += int(m.capturedLength()) - 1;
        } else if (text.at(i) == QLatin1Char('\r') || text.at(i) == QLatin1Char('\n')) {
            row += text.at(i) == QLatin1Char('\n');
            column = 0;
        } else {
            rows[row] = rows[row].leftJustified(column + 1);
            rows[row][column++] = text.at(i);
        }
        EXPECT_GE(row, 0);
        while (rows.size() <= row)
            rows << QString();
    }
    return rows;
}

// On a terminal several scales end with a line each, in port order, redrawn in place: none left
// in the middle of its run.
void linesEnded(const QString &err, const QList<int> &ports)
{
    QStringList shown;
    for (const QString &row : screen(err)) {
        if (!QRegularExpression(QStringLiteral("^COM\\d+ {2,}")).match(row).hasMatch())
            continue;
        EXPECT_FALSE(row.contains(QLatin1String("block"))) << row.toStdString();
        shown << row.section(QLatin1Char(' '), 0, 0);
    }
    QStringList names;
    for (const int port : ports)
        names << platform::comName(port);
    EXPECT_EQ(shown, names);
}

QString lastLine(const QBuffer &buffer)
{
    return QString::fromUtf8(buffer.data()).trimmed().section(QLatin1Char('\n'), -1);
}

// Runs the row's command line, and a failing one again with --json: its object must say the
// same failure (ok false, the exit status, the words).
void run(const Row &row, const QString &server)
{
    SCOPED_TRACE(row.what);
    if (skipsHere(row.linuxOnly))
        return;
    for (const bool json : {false, true}) {
        TestPlatform test;
        Journey(test).given(row.given);
        QString words = row.arguments;
        words.replace(QStringLiteral("$SERVER"), server)
            .replace(QStringLiteral("$WORK"), test.files.path());
        if (json && !words.contains(QLatin1String("--json")))
            words += QLatin1String(" --json");
        const cli::Command command = cli::parseCommandLine(
            QStringList {QStringLiteral("kovara-pc-program")} + words.split(QLatin1Char(' ')));
        if (command.kind == cli::Command::Kind::Invalid) {
            EXPECT_EQ(int(row.code), int(ExitCode::Usage));
            EXPECT_TRUE(command.error.startsWith(row.last)) << command.error.toStdString();
            return;
        }
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        // Several scales on a terminal, one of the two times.
        const bool terminal = command.manyScales() && !json;
        cli::CommandOutput output(out, err, {terminal, false, command.json});
        cli::CommandRun run(
            {test.serial, test.scale, test.downloader, test.clock, test.files, test.trusted},
            output);
        platform::InterruptSignal interrupts;
        bool interrupted = false;
        QObject::connect(
            &interrupts, &platform::InterruptSignal::interrupted, &run, [&run, &interrupted] {
                interrupted = true;
                run.interrupt();
            });
        std::optional<ExitCode> code;
        QObject::connect(&run, &cli::CommandRun::finished, [&code](ExitCode c) { code = c; });
        if (row.interruptAt != 0) {
            test.serial.scale(1)->setFrameObserver([&](const virtual_scale::FrameRecord &r) {
                if (r.command == row.interruptAt && r.address == 100 * virtual_scale::kBlockSize)
                    test.clock.scheduleIn(0, [&run, &row, &interrupted] {
                        if (!row.stopBy)
                            return run.interrupt();
                        // The scale stands still until the system's request has reached the
                        // run, however slowly the system's thread starts.
                        row.stopBy();
                        EXPECT_TRUE(QTest::qWaitFor([&interrupted] { return interrupted; }, 5000));
                    });
            });
        }
        run.start(command);
        ASSERT_TRUE(QTest::qWaitFor([&code] { return code.has_value(); }, 30000));
        EXPECT_EQ(int(*code), int(row.code));
        if (command.json && !row.last.startsWith(QLatin1Char('{'))) {
            const QJsonObject result = QJsonDocument::fromJson(lastLine(out).toUtf8()).object();
            EXPECT_EQ(result.value("ok").toBool(), row.code == ExitCode::Success);
            EXPECT_EQ(result.value("exit").toInt(-1), int(row.code));
            EXPECT_TRUE(result.value("message")
                            .toString()
                            .section(QLatin1Char('\n'), -1)
                            .startsWith(row.last))
                << lastLine(out).toStdString();
            // Several scales: an object each, the first one not done with the status.
            if (command.manyScales() && row.code != ExitCode::NoScale) {
                const QJsonArray scales = result.value("scales").toArray();
                ASSERT_FALSE(scales.isEmpty());
                int code = 0;
                for (const QJsonValue &scale : scales) {
                    EXPECT_EQ(scale["ok"].toBool(), scale["exit"].toInt(-1) == 0);
                    code = code != 0 ? code : scale["exit"].toInt();
                }
                EXPECT_EQ(code, int(row.code));
            }
            if (command.kind == cli::Command::Kind::Update) {
                EXPECT_EQ(result.value("file").toString(),
                          command.url.isEmpty() ? QDir::toNativeSeparators(command.file)
                                                : command.url);
            }
            // An update names the file's signing key, or null without a signature, and the
            // SHA-256 of what it wrote.
            if (command.kind == cli::Command::Kind::Update && row.code == ExitCode::Success) {
                const QJsonValue signature = result.value("signature");
                EXPECT_EQ(signature.isNull(), row.given.contains(QLatin1String("unsigned")));
                if (!signature.isNull()) {
                    EXPECT_EQ(signature.toObject().value("key").toString(),
                              core::keyIdText(test.trusted.first().id));
                }
                const QByteArray written
                    = command.url.isEmpty() ? readFile(command.file) : intelHex(applicationImage());
                EXPECT_EQ(result.value("sha256").toString(),
                          QCryptographicHash::hash(written, QCryptographicHash::Sha256).toHex());
            }
        } else {
            const QString last = lastLine(*code == ExitCode::Success || command.json ? out : err);
            EXPECT_TRUE(last.startsWith(row.last)) << last.toStdString();
        }
        if (terminal) {
            QList<int> ports = command.ports;
            for (const platform::SerialPortInfo &port : test.serial.ports())
                ports << (command.allPorts ? port.number : 0);
            ports.removeAll(0);
            linesEnded(QString::fromUtf8(err.data()), ports);
        }
        if (row.check)
            row.check(test);
        if (row.code == ExitCode::Success || command.json)
            return;
    }
}

} // namespace

TEST(CommandLine, EveryEndHasItsStatusAndItsWords)
{
    MakerServer server(MakerServer::Files::OwnFolder);
    UntrustedTlsServer untrusted(QStringLiteral("expired.pem"));
    ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
    server.put(QStringLiteral("u.hex"), intelHex(applicationImage()));
    server.put(QStringLiteral("bad.hex"), ":10000000FF\r\n");
    const QString updatedOn1 = QStringLiteral("Scale 20231187 on COM1 is updated and verified");
    const QString file = "--file $WORK/KovaraNorvessia_APROM.hex";
    // clang-format off
    const Row rows[] = {
        {"a file on the port given: updated, verified, the file kept",
         "COM1 scale, update file", "update --port COM1 " + file, ExitCode::Success, updatedOn1,
         [](TestPlatform &t) {
             EXPECT_TRUE(updated(t));
             EXPECT_TRUE(QFile::exists(t.files.updateFile()));
             // The run's record: the scale, its port, the file, its key, how it ended.
             ASSERT_EQ(history(t).size(), 1);
             const QJsonObject record = history(t).first();
             EXPECT_EQ(record.value("serial").toString(), QStringLiteral("20231187"));
             EXPECT_EQ(record.value("port").toString(), QStringLiteral("COM1"));
             EXPECT_EQ(record.value("outcome").toString(), QStringLiteral("updated"));
             EXPECT_EQ(record.value("key").toString(), core::keyIdText(t.trusted.first().id));
             EXPECT_EQ(record.value("sha256").toString().size(), 64);
             EXPECT_TRUE(closedInItsTurn(t, 1));
         }},
        {"an address, the scale searched for: the file is fetched, resumed, then deleted",
         "COM2 empty, COM1 scale", "update --url $SERVER/files/u.hex?reset=40000 --json",
         ExitCode::Success, updatedOn1,
         [](TestPlatform &t) {
             EXPECT_TRUE(updated(t));
             EXPECT_FALSE(QFile::exists(t.files.updateFile()));
             EXPECT_FALSE(QFile::exists(core::signaturePath(t.files.updateFile())));
         }},
        {"a damaged file is refused before the scale is touched", "COM1 scale",
         "update --port 1 --url $SERVER/files/bad.hex", ExitCode::FileRefused,
         "The update file cannot be used",
         [](TestPlatform &t) { EXPECT_TRUE(t.serial.sent(1).isEmpty()); }},
        {"a missing file is refused, its name whole in any letters", "COM1 scale",
         "update --file $WORK/Обновление-ü-更新/файл.hex", ExitCode::FileRefused,
         "The update file cannot be used (" + QDir::toNativeSeparators(QDir::tempPath())},
        {"an address that is not there", "COM1 scale", "update --url $SERVER/files/none.hex",
         ExitCode::DownloadFailed, "File Not Found: The file,"},
        {"a server whose certificate is not trusted: nothing is asked of it, and the words say why",
         "COM1 scale", "update --port 1 --url " + untrusted.url(), ExitCode::DownloadFailed,
         "Error Downloading File: The server's certificate is not trusted, so nothing was "
         "downloaded from it. The certificate is self-signed, and untrusted",
         [&untrusted](TestPlatform &) { EXPECT_TRUE(untrusted.request.isEmpty()); },
         0, "a TLS server in the test process"},
        {"a silent scale is no scale", "COM1 scale, fault ignore * always, update file",
         "update --port COM1 " + file, ExitCode::NoScale, "No scale answers on COM1."},
        {"a busy port says so", "COM4 busy, update file", "update --port COM4 " + file,
         ExitCode::NoScale, "COM4 is in use"},
        {"a scale that stops answering in the blocks: the communication error",
         "COM1 scale, fault ignore C3 @4000 always, update file",
         "update --port COM1 --quiet " + file, ExitCode::ScaleError,
         "A communication error with your scale was encountered."},
        {"Ctrl-C while the blocks are verified: stopped after the frame, the session closed",
         "COM1 scale, paced, update file", "update --port COM1 " + file, ExitCode::Stopped,
         "Stopped: the scale's update is unfinished",
         [](TestPlatform &t) {
             sessionClosedLast(t);
             const auto &frames = t.serial.scale(1)->frames();
             EXPECT_EQ(frames.at(frames.size() - 2).address, 100 * virtual_scale::kBlockSize);
         },
         virtual_scale::kReadBlock},
#ifdef Q_OS_WIN
        {"the console window closed while the blocks are written: stopped as by Ctrl-C",
         "COM1 scale, paced, update file", "update --port COM1 " + file, ExitCode::Stopped,
         "Stopped: the scale's update is unfinished", sessionClosedLast,
         virtual_scale::kProgramBlock, nullptr, consoleEvent(CTRL_CLOSE_EVENT)},
        {"the user logs off while the blocks are verified", "COM1 scale, paced, update file",
         "update --port COM1 " + file, ExitCode::Stopped, "Stopped:", sessionClosedLast,
         virtual_scale::kReadBlock, nullptr, consoleEvent(CTRL_LOGOFF_EVENT)},
        {"the system shuts down while the blocks are written", "COM1 scale, paced, update file",
         "update --port COM1 " + file, ExitCode::Stopped, "Stopped:", sessionClosedLast,
         virtual_scale::kProgramBlock, nullptr, consoleEvent(CTRL_SHUTDOWN_EVENT)},
#endif
        {"a full disk while downloading: the download fails, says why, and leaves no file",
         "COM1 scale, full disk", "update --port 1 --url $SERVER/files/u.hex",
         ExitCode::DownloadFailed,
         "Error Downloading File: Cannot write file to disk. Error 28: No space left on device",
         [](TestPlatform &t) {
             EXPECT_FALSE(QFileInfo(t.files.updateFile()).exists());
             EXPECT_TRUE(t.serial.sent(1).isEmpty());
         },
         0, "/dev/full"},
        {"a scale swapped after the search is updated under its own serial number",
         "COM1 scale, paced, swap 87654321 at B4 @0700, update file",
         "update --port COM1 " + file, ExitCode::Success,
         "Scale 87654321 on COM1 is updated and verified",
         [](TestPlatform &t) {
             EXPECT_EQ(t.serial.scale(1)->flash(), programmedImage(applicationImage(), "87654321"));
         }},
        {"a scale swapped mid-run refuses the first one's session and is left untouched",
         "COM1 scale, paced, swap 87654321 at C3 @3200, update file",
         "update --port COM1 " + file, ExitCode::ScaleError,
         "Serial number wrong: the scale on COM1 refused the session of scale 20231187",
         [](TestPlatform &t) {
             virtual_scale::VirtualScale untouched;
             untouched.setSerialNumber(QStringLiteral("87654321"));
             EXPECT_EQ(t.serial.scale(1)->flash(), untouched.flash());
         }},
        {"a file signed in the legacy form", "COM1 scale, update file signed in the legacy form",
         "update --port COM1 " + file, ExitCode::Success, updatedOn1},
        {"an unsigned file is refused unless allowed", "COM1 scale, update file unsigned",
         "update --port COM1 " + file, ExitCode::SignatureRefused,
         "This update file does not carry Kovara's signature", noSession},
        {"an unsigned file allowed", "COM1 scale, update file unsigned",
         "update --allow-unsigned --port COM1 " + file, ExitCode::Success, updatedOn1,
         [](TestPlatform &t) { EXPECT_TRUE(updated(t)); }},
        {"a file signed by another key", "COM1 scale, update file signed by another key",
         "update --port COM1 " + file, ExitCode::SignatureRefused,
         "Update File Refused: The update file's signature is not Kovara's.", noSession},
        {"a file changed after it was signed", "COM1 scale, update file changed after signing",
         "update --port COM1 " + file, ExitCode::SignatureRefused,
         "Update File Refused: The update file was changed after Kovara signed it.", noSession},
        {"a signature cut short", "COM1 scale, update file with its signature cut short",
         "update --port COM1 " + file, ExitCode::SignatureRefused,
         "Update File Refused: The update file's signature cannot be read.", noSession},
        {"an empty signature", "COM1 scale, update file with an empty signature",
         "update --port COM1 " + file, ExitCode::SignatureRefused,
         "Update File Refused: The update file's signature cannot be read.", noSession},
        {"an address whose signature another key made: both files go", "COM1 scale",
         "update --url $SERVER/files/u.hex?sig=other-key", ExitCode::SignatureRefused,
         "Update File Refused: The update file's signature is not Kovara's.", downloadGone},
        {"an address without a signature (404)", "COM1 scale",
         "update --url $SERVER/files/u.hex?sig=none", ExitCode::SignatureRefused,
         "This update file does not carry Kovara's signature", downloadGone},
        {"an address whose signature never comes is a failed download", "COM1 scale",
         "update --url $SERVER/files/u.hex?sig=stall&seconds=1", ExitCode::DownloadFailed,
         "The update file's signature could not be downloaded", downloadGone},
        {"four scales named at once: each updated under its own serial number, and recorded",
         "COM1 scale, COM2 scale=20231188, COM3 scale=20231189, COM4 scale=20231190, update file",
         "update --port COM4 --port COM1 --port 2 --port COM3 " + file, ExitCode::Success,
         "All 4 scales are updated and verified", updatedOnly({1, 2, 3, 4})},
        {"a silent and a refusing scale among them end alone; the first failure's status",
         "COM1 scale, COM2 scale=20231188, COM3 scale=20231189, fault ignore * always, "
         "COM4 scale=20231190, fault refuse 1E always, update file",
         "update --port COM1 --port COM2 --port COM3 --port COM4 " + file, ExitCode::NoScale,
         "COM4 20231190: Serial number wrong", updatedOnly({1, 2})},
        {"every port: those where no scale answers are left out",
         "COM1 scale, COM2 empty, COM3 scale=20231189, COM4 busy, COM5 forbidden, update file",
         "update --all-ports " + file, ExitCode::Success, "All 2 scales are updated",
         updatedOnly({1, 3})},
        {"every port, and no scale answers on any", "COM2 empty, COM5 forbidden, update file",
         "update --all-ports " + file, ExitCode::NoScale, "You may not open COM5"},
        {"the ports and the serial number", "COM4 busy, COM1 scale", "--list-ports --json",
         ExitCode::Success,
         "{\"exit\":0,\"message\":\"COM1  virtual port 1\\nCOM4  virtual port 4\",\"ok\":true,"
         "\"ports\":[{\"device\":\"virtual port 1\",\"name\":\"COM1\"},"
         "{\"device\":\"virtual port 4\",\"name\":\"COM4\"}]"},
        {"the history of a scale: none yet", "", "history --serial 20231187", ExitCode::Success,
         "No update is recorded."},
        {"a history line that a power cut left torn is skipped with a note", "torn history",
         "history", ExitCode::Success, "(1 line(s) that are no whole record skipped"},
        {"the serial number is read on a port named in any case", "COM12 scale",
         "--read-serial --port com12", ExitCode::Success, "20231187"},
        {"a command line that names no file", "", "update --port COM1", ExitCode::Usage,
         "update needs"},
        {"a port that is no port", "", "--read-serial --port LPT1", ExitCode::Usage,
         "\"LPT1\" is not"},
        {"every port and a port named", "", "update --all-ports --port COM1 " + file,
         ExitCode::Usage, "--all-ports belongs to update, without --port"},
    };
    // clang-format on
    for (const Row &row : rows)
        run(row, server.url());
}
