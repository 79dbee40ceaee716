// The program's command line as a script runs it: the real executable, QSerialPort over a
// pseudo-terminal to kovara-virtual-scale, HTTP to the maker server tool, real time. An update
// from an address ends with the scale holding the image and the fetched file gone; Ctrl-C while
// the blocks go out stops the run with the scale's session closed. A service bench updates four
// scales at once beside a silent one and a refusing one, each under its own serial number, then
// is stopped by Ctrl-C with every session closed; every run leaves its record.

#include "MakerServer.h"
#include "UpdateFile.h"
#include "VirtualScalePorts.h"

#include "platform/HistoryFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// The outcome of each run recorded in the history file at path, as "COM1 updated", sorted: the
// scales of a bench end in any order.
QStringList recorded(const QString &path)
{
    QStringList runs;
    for (const QJsonObject &record : platform::HistoryFile(path).read().records)
        runs << record["port"].toString() + ' ' + record["outcome"].toString();
    runs.sort();
    return runs;
}

} // namespace

TEST(CommandLineRun, UpdatesOneScaleOrABenchAndStopsCleanlyOnCtrlC)
{
    using namespace testing_support;
    const QByteArray image = applicationImage(5);
    const QByteArray updated = programmedImage(image, "12345678");
    MakerServer server(MakerServer::Files::OwnFolder, 0, {"--quiet"});
    ASSERT_FALSE(server.url().isEmpty());
    server.put(QStringLiteral("u.hex"), intelHex(image));
    VirtualScalePorts ports;
    QTemporaryDir data;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    environment.insert(QStringLiteral("XDG_STATE_HOME"), data.path());
    const QString history = data.filePath(QStringLiteral("kovara-pc-program/history.jsonl"));
    program.setProcessEnvironment(environment);
    const QString executable = QStringLiteral(KOVARA_BIN_DIR "/kovara-pc-program");

    ASSERT_TRUE(ports.startScale(3));
    program.start(executable,
                  {"update", "--port", "COM3", "--url", server.url() + "/files/u.hex", "--json"});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(program.readAllStandardOutput().startsWith("{\"exit\":0,"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ports.flash(3) == updated; }, 5000));
    EXPECT_FALSE(QFile::exists(data.path() + "/KovaraScale/KovaraNorvessia_APROM.hex"));
    ports.stopScale(3);

    // A fresh scale on the 19200-baud line: the blocks take their real time.
    ASSERT_TRUE(ports.startScale(3, {"--serial", "12345678", "--pace"}));
    const QString file = data.filePath(QStringLiteral("u.hex"));
    ASSERT_TRUE(writeUpdateFile(file, image));
    program.start(executable, {"update", "--port", "COM3", "--file", file});
    QByteArray progress;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            progress += program.readAllStandardError();
            return progress.contains("Programming block");
        },
        10000));
    ::kill(pid_t(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitCode(), 6);
    // The scale writes its flash out when the session closes: some blocks, and not the rest.
    QByteArray flash;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            flash = ports.flash(3);
            return !flash.isEmpty() && flash != updated;
        },
        5000));
    EXPECT_EQ(flash.left(128), updated.left(128));
    EXPECT_EQ(flash.right(128), QByteArray(128, char(0xFF)));

    ports.stopScale(3);

    // The bench: four scales, a silent one and one that refuses its session, named at once.
    const QList<int> bench {1, 2, 4, 5};
    const auto serialOf = [](int port) {
        return QStringLiteral("1000000%1").arg(port);
    };
    for (const int port : bench)
        ASSERT_TRUE(ports.startScale(port, {"--serial", serialOf(port)}));
    ASSERT_TRUE(ports.startScale(6, {"--silent"}));
    ASSERT_TRUE(ports.startScale(7, {"--serial", "10000007", "--fault", "refuse 1E always"}));
    QStringList arguments {"update", "--url", server.url() + "/files/u.hex", "--json"};
    for (const int port : bench + QList<int> {6, 7})
        arguments << "--port" << QStringLiteral("COM%1").arg(port);
    QFile::remove(history);
    program.start(executable, arguments);
    ASSERT_TRUE(program.waitForFinished(60000));
    // The first scale not done in port order: the silent one.
    EXPECT_EQ(program.exitCode(), 3);
    const QJsonArray scales
        = QJsonDocument::fromJson(program.readAllStandardOutput()).object()["scales"].toArray();
    ASSERT_EQ(scales.size(), 6);
    EXPECT_EQ(scales[4]["exit"].toInt(), 3);
    EXPECT_EQ(scales[5]["exit"].toInt(), 4);
    for (const int port : bench) {
        ports.stopScale(port);
        EXPECT_EQ(ports.flash(port), programmedImage(image, serialOf(port))) << port;
    }
    EXPECT_EQ(recorded(history),
              (QStringList {
                  "COM1 updated", "COM2 updated", "COM4 updated", "COM5 updated", "COM7 failed"}));

    // Ctrl-C while the four paced scales take their blocks: each stops, its session closed.
    for (const int port : bench)
        ASSERT_TRUE(ports.startScale(port, {"--serial", serialOf(port), "--pace"}));
    arguments = QStringList {"update", "--file", file};
    for (const int port : bench)
        arguments << "--port" << QStringLiteral("COM%1").arg(port);
    QFile::remove(history);
    program.start(executable, arguments);
    progress.clear();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            progress += program.readAllStandardError();
            return progress.count("Programming block") >= bench.size();
        },
        10000));
    ::kill(pid_t(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitCode(), 6);
    for (const int port : bench) {
        const QByteArray updated = programmedImage(image, serialOf(port));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                flash = ports.flash(port);
                return !flash.isEmpty() && flash != updated;
            },
            5000))
            << port;
        EXPECT_EQ(flash.left(128), updated.left(128));
        EXPECT_EQ(flash.right(128), QByteArray(128, char(0xFF)));
    }
    EXPECT_EQ(recorded(history),
              (QStringList {"COM1 stopped", "COM2 stopped", "COM4 stopped", "COM5 stopped"}));
}
