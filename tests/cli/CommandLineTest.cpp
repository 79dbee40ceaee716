// The command line: each row is a command line against the virtual scale (and the maker server
// tool for an address), with the exit status and the last line it prints: the result on the
// output stream, a failure's words on the error stream.

#include "Journey.h"
#include "MakerServer.h"
#include "UpdateFile.h"

#include "cli/ConsoleRun.h"

#include <QBuffer>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

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
};

QString lastLine(const QBuffer &buffer)
{
    return QString::fromLocal8Bit(buffer.data()).trimmed().section(QLatin1Char('\n'), -1);
}

void run(const Row &row, const QString &server)
{
    SCOPED_TRACE(row.what);
    TestPlatform test;
    Journey(test).given(row.given);
    QString words = row.arguments;
    words.replace(QStringLiteral("$SERVER"), server)
        .replace(QStringLiteral("$WORK"), test.files.path());
    const cli::Command command = cli::parseCommandLine(
        QStringList {QStringLiteral("kovara-pc-program")} + words.split(QLatin1Char(' ')));
    std::optional<ExitCode> code;
    QString last = command.error;
    if (command.kind == cli::Command::Kind::Invalid) {
        code = ExitCode::Usage;
    } else {
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        cli::Console console(out, err, {false, false, command.json});
        cli::ConsoleRun run({test.serial, test.scale, test.downloader, test.clock, test.files},
                            console);
        QObject::connect(&run, &cli::ConsoleRun::finished, [&code](ExitCode c) { code = c; });
        run.start(command);
        ASSERT_TRUE(QTest::qWaitFor([&code] { return code.has_value(); }, 30000));
        last = lastLine(*code == ExitCode::Success || command.json ? out : err);
    }
    EXPECT_EQ(int(*code), int(row.code));
    EXPECT_TRUE(last.startsWith(row.last)) << last.toStdString();
    if (row.check)
        row.check(test);
}

bool updated(TestPlatform &test)
{
    return test.serial.scale(1)->flash() == programmedImage(applicationImage(), "20231187");
}

} // namespace

TEST(CommandLine, EveryEndHasItsStatusAndItsWords)
{
    MakerServer server(MakerServer::Files::OwnFolder);
    ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
    server.put(QStringLiteral("u.hex"), intelHex(applicationImage()));
    server.put(QStringLiteral("bad.hex"), ":10000000FF\r\n");
    const QString updatedOn1 = QStringLiteral("Scale 20231187 on COM1 is updated and verified");
    const Row rows[] = {
        {"a file on the port given: updated, verified, the file kept",
         "COM1 scale, update file",
         "update --port COM1 --file $WORK/KovaraNorvessia_APROM.hex",
         ExitCode::Success,
         updatedOn1,
         [](TestPlatform &t) {
             EXPECT_TRUE(updated(t));
             EXPECT_TRUE(QFile::exists(t.files.updateFile()));
             EXPECT_FALSE(t.scale.isOpen());
         }},
        {"an address, the scale searched for: the file is fetched, resumed, then deleted",
         "COM2 empty, COM1 scale",
         "update --url $SERVER/files/u.hex?reset=40000 --json",
         ExitCode::Success,
         "{\"exit\":0,\"message\":\"" + updatedOn1,
         [](TestPlatform &t) {
             EXPECT_TRUE(updated(t));
             EXPECT_FALSE(QFile::exists(t.files.updateFile()));
         }},
        {"a damaged file is refused before the scale is touched",
         "COM1 scale",
         "update --port 1 --url $SERVER/files/bad.hex",
         ExitCode::FileRefused,
         "The update file cannot be used",
         [](TestPlatform &t) {
             EXPECT_TRUE(t.serial.sent(1).isEmpty());
         }},
        {"a missing file is refused",
         "COM1 scale",
         "update --file $WORK/none.hex",
         ExitCode::FileRefused,
         "The update file cannot be used"},
        {"an address that is not there",
         "COM1 scale",
         "update --url $SERVER/files/none.hex",
         ExitCode::DownloadFailed,
         "File Not Found: The file,"},
        {"a silent scale is no scale",
         "COM1 scale, fault ignore * always, update file",
         "update --port COM1 --file $WORK/KovaraNorvessia_APROM.hex",
         ExitCode::NoScale,
         "No scale answers on COM1."},
        {"a busy port says so",
         "COM4 busy, update file",
         "update --port COM4 --file $WORK/KovaraNorvessia_APROM.hex",
         ExitCode::NoScale,
         "COM4 is in use"},
        {"a scale that stops answering in the blocks: the communication error",
         "COM1 scale, fault ignore C3 @4000 always, update file",
         "update --port COM1 --file $WORK/KovaraNorvessia_APROM.hex --quiet",
         ExitCode::ScaleError,
         "A communication error with your scale was encountered."},
        {"the ports and the serial number",
         "COM4 busy, COM1 scale",
         "--list-ports --json",
         ExitCode::Success,
         "{\"exit\":0,\"message\":\"COM1\\nCOM4\",\"ok\":true,\"ports\":[\"COM1\",\"COM4\"]"},
        {"the serial number is read", "COM1 scale", "--read-serial", ExitCode::Success, "20231187"},
        {"a command line that names no file",
         "",
         "update --port COM1",
         ExitCode::Usage,
         "update needs"},
        {"a port that is no port",
         "",
         "--read-serial --port LPT1",
         ExitCode::Usage,
         "\"LPT1\" is not"},
    };
    for (const Row &row : rows)
        run(row, server.url());
}
