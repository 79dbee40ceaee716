// The built program as a user starts it, on the offscreen platform: with the maker server tool it
// reaches the port search window; without it, the no-internet screen.

#include "MakerPort.h"
#include "ProgramProcess.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QProcessEnvironment offscreen()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

TEST(WholeProgram, ReachesThePortSearchWithTheMakerServerRunning)
{
    testing_support::MakerPortLock lock;
    ASSERT_TRUE(lock.locked());
    testing_support::MakerServerProcess server(8642, {QStringLiteral("--quiet")});
    ASSERT_EQ(server.port(), 8642) << "the dev build's maker port 8642 is taken";

    QTemporaryDir home;
    testing_support::ProgramProcess program(offscreen(), home.path());
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
    testing_support::ProgramProcess program(offscreen(), home.path());
    EXPECT_TRUE(
        program.waitForLog("window shown: frmNotConnected \"No Internet Connection\"", 30000))
        << program.log().toStdString();
    EXPECT_FALSE(program.log().contains("frmChoosePort"));
}

} // namespace
