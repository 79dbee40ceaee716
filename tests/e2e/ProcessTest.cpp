// The built program as a user starts it, on the offscreen platform: with the maker server tool it
// reaches the port search window; without it, the no-internet screen.

#include "MakerPort.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kBin = QStringLiteral(KOVARA_BIN_DIR);

class Program
{
public:
    explicit Program(const QString &dataHome)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("kovara.*.info=true"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(kBin + QStringLiteral("/kovara-pc-program"), {});
    }
    ~Program()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // Waits until the program's log has a line containing text; false after timeoutMs.
    bool waitForLog(const QByteArray &text, int timeoutMs)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!m_log.contains(text) && elapsed.elapsed() < timeoutMs) {
            m_process.waitForReadyRead(200);
            m_log += m_process.readAll();
            if (m_process.state() == QProcess::NotRunning) {
                m_log += m_process.readAll();
                break;
            }
        }
        return m_log.contains(text);
    }
    const QByteArray &log() const { return m_log; }

private:
    QProcess m_process;
    QByteArray m_log;
};

TEST(WholeProgram, ReachesThePortSearchWithTheMakerServerRunning)
{
    testing_support::MakerPortLock lock;
    ASSERT_TRUE(lock.locked());
    testing_support::MakerServerProcess server(8642, {QStringLiteral("--quiet")});
    ASSERT_EQ(server.port(), 8642) << "the dev build's maker port 8642 is taken";

    QTemporaryDir home;
    Program program(home.path());
    EXPECT_TRUE(program.waitForLog("window shown: frmStartUp \"Kovara PC Program\"", 20000))
        << program.log().toStdString();
    EXPECT_TRUE(
        program.waitForLog("window shown: frmChoosePort \"Connect Scale to Computer\"", 20000))
        << program.log().toStdString();
    EXPECT_FALSE(program.log().contains("frmNotConnected"));
    EXPECT_TRUE(QFileInfo(home.path() + QStringLiteral("/KovaraScale")).isDir())
        << "the working folder is made on start";
}

TEST(WholeProgram, ShowsNoInternetConnectionWithoutTheServer)
{
    testing_support::MakerPortLock lock;
    ASSERT_TRUE(lock.locked());
    QTemporaryDir home;
    Program program(home.path());
    EXPECT_TRUE(
        program.waitForLog("window shown: frmNotConnected \"No Internet Connection\"", 30000))
        << program.log().toStdString();
    EXPECT_FALSE(program.log().contains("frmChoosePort"));
}

} // namespace
