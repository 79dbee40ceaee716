// The program's command line as a script runs it: the real executable, QSerialPort over a
// pseudo-terminal to kovara-virtual-scale, HTTP to the maker server tool, real time. An update
// from an address ends with the scale holding the image and the fetched file gone; Ctrl-C while
// the blocks go out stops the run with the scale's session closed.

#include "MakerServer.h"
#include "UpdateFile.h"
#include "VirtualScalePorts.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

TEST(CommandLineRun, UpdatesFromAnAddressAndStopsCleanlyOnCtrlC)
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
}
