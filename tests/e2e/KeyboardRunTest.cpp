// The built program as a separate process on a virtual X display, driven only as a user at the
// keyboard would: the access keys of each window and the address typed into the box, from
// start-up to "Successful Scale Update" and Exit. xdotool types; the program's own log says which
// window is up. The scale (unpaced) and the maker server tool are real processes too.

#include "MakerPort.h"
#include "ProgramProcess.h"
#include "UpdateFile.h"
#include "VirtualScalePorts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// Runs a short command to its end; its standard output, trimmed ("" when it failed).
QString run(const QString &program, const QStringList &arguments, QProcessEnvironment env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return QString();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString();
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// An X server of the test's own on the first free display number from 140 up.
class VirtualDisplay
{
public:
    VirtualDisplay()
    {
        for (int number = 140; number < 200; ++number) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))
                || QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
                continue;
            m_name = QStringLiteral(":%1").arg(number);
            m_server.start(QStringLiteral("Xvfb"),
                           {m_name, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
            if (!m_server.waitForStarted(5000))
                break;
            QElapsedTimer waited;
            waited.start();
            while (waited.elapsed() < 5000 && m_server.state() == QProcess::Running) {
                if (!run(QStringLiteral("xdpyinfo"), {"-display", m_name}, env()).isEmpty()) {
                    m_ready = true;
                    return;
                }
                QThread::msleep(100);
            }
            m_server.kill();
            m_server.waitForFinished(2000);
        }
    }
    ~VirtualDisplay()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(3000)) {
            m_server.kill();
            m_server.waitForFinished(2000);
        }
    }
    bool ready() const { return m_ready; }
    QProcessEnvironment env() const
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("DISPLAY"), m_name);
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return e;
    }

private:
    QProcess m_server;
    QString m_name;
    bool m_ready = false;
};

class KeyboardUser
{
public:
    explicit KeyboardUser(QProcessEnvironment env)
        : m_env(std::move(env))
    { }
    // The window whose caption matches pattern, brought to the keyboard; false after 20 s.
    bool focus(const QString &pattern)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 20000) {
            const QString ids = run(
                QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", pattern}, m_env);
            if (!ids.isEmpty()) {
                const QString id = ids.split(QLatin1Char('\n')).last();
                run(QStringLiteral("xdotool"), {"windowfocus", "--sync", id}, m_env);
                QThread::msleep(200);
                return true;
            }
            QThread::msleep(100);
        }
        return false;
    }
    void keys(const QStringList &keys)
    {
        run(QStringLiteral("xdotool"), QStringList {"key", "--delay", "100"} + keys, m_env);
    }
    void type(const QString &text)
    {
        run(QStringLiteral("xdotool"), {"type", "--delay", "2", text}, m_env);
    }

private:
    QProcessEnvironment m_env;
};

TEST(KeyboardRun, AUserUpdatesTheScaleWithTheKeyboardAlone)
{
    testing_support::MakerPortLock lock;
    ASSERT_TRUE(lock.locked());
    QTemporaryDir files;
    const QByteArray image = testing_support::applicationImage();
    QFile update(files.filePath(QStringLiteral("KovaraNorvessia_APROM.hex")));
    ASSERT_TRUE(update.open(QIODevice::WriteOnly));
    update.write(testing_support::intelHex(image));
    update.close();
    testing_support::MakerServerProcess server(8642, {"--quiet", "--files", files.path()});
    ASSERT_EQ(server.port(), 8642) << "the dev build's maker port 8642 is taken";
    testing_support::VirtualScalePorts ports; // names its folder in KOVARA_SERIAL_PORTS
    ports.addDanglingPort(1);
    ASSERT_TRUE(ports.startScale(3, {"--serial", "12345678"}));
    VirtualDisplay display;
    ASSERT_TRUE(display.ready()) << "Xvfb did not start";

    QTemporaryDir home;
    testing_support::ProgramProcess program(display.env(), home.path());
    KeyboardUser user(display.env());

    ASSERT_TRUE(program.waitForLog("window shown: frmChoosePort", 20000))
        << program.log().toStdString();
    ASSERT_TRUE(user.focus(QStringLiteral("^Connect Scale to Computer$")));
    user.keys({"alt+c"});
    ASSERT_TRUE(program.waitForLog("window shown: frmWelcome", 20000))
        << program.log().toStdString();
    ASSERT_TRUE(user.focus(QStringLiteral("^Welcome to Kovara PC Program!$")));
    user.keys({"alt+u"});
    ASSERT_TRUE(program.waitForLog("window shown: frmCheckScale", 20000))
        << program.log().toStdString();
    ASSERT_TRUE(user.focus(QStringLiteral("^Update Scale$")));
    user.type(server.url() + QStringLiteral("/files/KovaraNorvessia_APROM.hex"));
    user.keys({"Return", "Return"}); // to Continue, then press it
    ASSERT_TRUE(program.waitForLog("window shown: frmSuccess \"", 20000))
        << program.log().toStdString();
    ASSERT_TRUE(user.focus(QStringLiteral("^Successful Download$")));
    user.keys({"alt+u"});
    ASSERT_TRUE(program.waitForLog("window shown: frmDisplay", 20000))
        << program.log().toStdString();
    ASSERT_TRUE(user.focus(QStringLiteral("^Kovara Scale Update$")));
    ASSERT_TRUE(program.waitForLog("window shown: frmSuccessUpdate", 30000))
        << program.log().toStdString();
    // The success text comes on the eleventh second.
    ASSERT_TRUE(user.focus(QStringLiteral("^Successful Scale Update$")))
        << program.log().toStdString();
    user.keys({"alt+x"});
    ASSERT_TRUE(program.waitForEnd(10000)) << program.log().toStdString();
    EXPECT_EQ(program.screens(),
              QStringList({"frmStartUp",
                           "frmChoosePort",
                           "frmWelcome",
                           "frmCheckScale",
                           "frmDownload",
                           "frmSuccess",
                           "frmDisplay",
                           "frmSuccessUpdate"}))
        << program.log().toStdString();

    const QDir working(home.filePath(QStringLiteral("KovaraScale")));
    EXPECT_TRUE(working.entryList(QDir::Files).isEmpty()) << "working files left behind";
    ports.stopScale(3);
    EXPECT_TRUE(ports.flash(3) == testing_support::programmedImage(image, "12345678"))
        << "the scale's flash is not the update file's image with its serial number";
}

} // namespace
