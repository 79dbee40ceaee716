// The built program as a user starts it, on the offscreen platform, without the maker server tool:
// it makes its working folder and stops on the no-internet screen. (KeyboardRunTest takes the
// built program through a whole update.)

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
    EXPECT_TRUE(QFileInfo(home.path() + QStringLiteral("/KovaraScale")).isDir())
        << "the working folder is made on start";
}

} // namespace
