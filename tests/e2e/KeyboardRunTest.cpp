// The built program as a separate process on the test's own X display (ctest runs this binary
// under xvfb-run), driven only as a user at the keyboard would: the access keys of each window and
// the address typed into the box, from start-up to "Successful Scale Update" and Exit. xdotool
// types; the program's own log says which window is up. The scale (unpaced) and the maker server
// tool are real processes too.

#include "MakerServer.h"
#include "UpdateFile.h"
#include "VirtualScalePorts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// Runs xdotool to its end; its standard output, trimmed ("" when it failed).
QString xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return QString();
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// The window whose caption matches pattern, brought to the keyboard; false after 20 s.
bool focus(const QString &pattern)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        const QString ids = xdotool({"search", "--onlyvisible", "--name", pattern});
        if (!ids.isEmpty()) {
            xdotool({"windowfocus", "--sync", ids.split(QLatin1Char('\n')).last()});
            QThread::msleep(200);
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

TEST(KeyboardRun, AUserUpdatesTheScaleWithTheKeyboardAlone)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "runs under xvfb-run";
    testing_support::MakerServer server(
        testing_support::MakerServer::Files::OwnFolder, 0, {"--quiet"});
    ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
    const QByteArray image = testing_support::applicationImage();
    server.put("KovaraNorvessia_APROM.hex", testing_support::intelHex(image));
    testing_support::VirtualScalePorts ports; // names its folder in KOVARA_SERIAL_PORTS
    ports.addDanglingPort(1);
    ASSERT_TRUE(ports.startScale(3, {"--serial", "12345678"}));

    QTemporaryDir home;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_DATA_HOME", home.path());
    env.insert("QT_LOGGING_RULES", "kovara.*.info=true");
    // The dev build's maker servers are this test's.
    env.insert("KOVARA_MAKER_URL", server.url());
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(KOVARA_BIN_DIR "/kovara-pc-program"), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    QByteArray log;
    const auto shown = [&](const char *name, int timeoutMs) {
        const QByteArray line = QByteArray("window shown: ") + name;
        QElapsedTimer elapsed;
        elapsed.start();
        while (!log.contains(line) && elapsed.elapsed() < timeoutMs
               && program.state() == QProcess::Running) {
            program.waitForReadyRead(100);
            log += program.readAll();
        }
        return log.contains(line);
    };

    const struct
    {
        const char *window;
        const char *caption;
        QStringList keys; // "type:TEXT" types the text
    } steps[] = {
        {"frmChoosePort", "^Connect Scale to Computer$", {"alt+c"}},
        {"frmWelcome", "^Welcome to Kovara PC Program!$", {"alt+u"}},
        // The address, then Enter to Continue and Enter to press it.
        {"frmCheckScale",
         "^Update Scale$",
         {"type:" + server.url() + "/files/KovaraNorvessia_APROM.hex", "Return", "Return"}},
        {"frmSuccess \"", "^Successful Download$", {"alt+u"}},
        {"frmDisplay", "^Kovara Scale Update$", {}},
        // The success text comes on the eleventh second.
        {"frmSuccessUpdate", "^Successful Scale Update$", {"alt+x"}},
    };
    for (const auto &step : steps) {
        ASSERT_TRUE(shown(step.window, 30000)) << log.toStdString();
        ASSERT_TRUE(focus(QString::fromLatin1(step.caption))) << log.toStdString();
        for (const QString &key : step.keys) {
            if (key.startsWith(QLatin1String("type:")))
                xdotool({"type", "--delay", "2", key.mid(5)});
            else
                xdotool({"key", "--delay", "100", key});
        }
    }
    ASSERT_TRUE(program.waitForFinished(10000)) << log.toStdString();
    EXPECT_EQ(program.exitCode(), 0);
    log += program.readAll();
    QStringList windows;
    for (const QByteArray &line : log.split('\n')) {
        if (const int at = line.indexOf("window shown: "); at >= 0)
            windows << QString::fromLatin1(line.mid(at + 14).split(' ').value(0));
    }
    EXPECT_EQ(windows,
              QStringList({"frmStartUp",
                           "frmChoosePort",
                           "frmWelcome",
                           "frmCheckScale",
                           "frmDownload",
                           "frmSuccess",
                           "frmDisplay",
                           "frmSuccessUpdate"}))
        << log.toStdString();

    const QDir working(home.filePath(QStringLiteral("KovaraScale")));
    EXPECT_TRUE(working.entryList(QDir::Files).isEmpty()) << "working files left behind";
    ports.stopScale(3);
    EXPECT_TRUE(ports.flash(3) == testing_support::programmedImage(image, "12345678"))
        << "the scale's flash is not the update file's image with its serial number";
}

} // namespace
