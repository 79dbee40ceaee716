// Start-up: the internet check on the second tick, the port search window on the third, and the
// quit question when the start-up window is closed by hand.

#include "WizardPlatform.h"

#include "app/QuitQuestion.h"
#include "app/frmChoosePort.h"
#include "app/frmStartUp.h"

#include <QPushButton>
#include <gtest/gtest.h>

using testing_support::processEvents;
using TestPlatform = testing_support::WizardPlatform;

namespace {

// Steps the start-up timer as it would tick; fails when the timer is not running.
void tick()
{
    ASSERT_TRUE(Forms::frmStartUp().Timer1->fire()) << "start-up timer is not running";
}

TEST(StartUp, LoadSetsTheVersionAndStartsTheSecondTimer)
{
    TestPlatform test;
    frmStartUp &startUp = Forms::frmStartUp();
    startUp.Show();
    EXPECT_EQ(startUp.VersionNum, QStringLiteral("Version 5.0"));
    EXPECT_EQ(startUp.Timer1->Interval(), 1000);
    EXPECT_TRUE(startUp.AskExit);
}

TEST(StartUp, ReachableInternetOpensThePortSearchOnTheThirdTick)
{
    TestPlatform test;
    Forms::frmStartUp().Show();
    tick(); // first tick: nothing
    EXPECT_EQ(test.probe.calls, 0);
    tick(); // second: the probe
    EXPECT_EQ(test.probe.calls, 1);
    EXPECT_FALSE(Forms::frmChoosePort().isLoaded());
    tick(); // third: the port search
    EXPECT_TRUE(Forms::frmChoosePort().isVisible());
    EXPECT_EQ(Forms::frmChoosePort().Caption(), QStringLiteral("Connect Scale to Computer"));
    EXPECT_FALSE(Forms::frmStartUp().isLoaded());
    EXPECT_FALSE(Forms::frmStartUp().AskExit);
    EXPECT_TRUE(test.dialogs.boxes().empty());
    EXPECT_FALSE(test.process.terminated());
}

TEST(StartUp, UnreachableInternetStopsOnTheNoInternetScreen)
{
    TestPlatform test;
    test.probe.reachable = false;
    Forms::frmStartUp().Show();
    tick();
    tick();
    QWidget *stop = testing_support::topLevel(QStringLiteral("frmNotConnected"));
    ASSERT_TRUE(stop && stop->isVisible());
    EXPECT_TRUE(Forms::frmStartUp().isVisible()) << "the start-up window stays behind it";
    EXPECT_FALSE(Forms::frmStartUp().Timer1->isRunning());
    EXPECT_FALSE(Forms::frmChoosePort().isLoaded());

    // Closing the start-up window by hand and cancelling the question starts its timer again,
    // and the next tick opens the port search all the same.
    test.quit.answer(testing_support::QuitAnswers::Answer::Cancel);
    Forms::frmStartUp().window()->close();
    tick();
    EXPECT_TRUE(Forms::frmChoosePort().isVisible());

    stop->findChild<QPushButton *>(QStringLiteral("cmdOkay"))->click();
    EXPECT_EQ(test.process.terminations, 1);
    stop->close();
    EXPECT_EQ(test.process.terminations, 2) << "the close box ends the program too";
    EXPECT_TRUE(test.dialogs.boxes().empty());
}

TEST(StartUp, ATickDuringTheProbeDoesNotStartASecondProbe)
{
    TestPlatform test;
    Forms::frmStartUp().Show();
    tick();
    test.probe.during = [] {
        Forms::frmStartUp().Timer1->fire();
    };
    tick();
    EXPECT_EQ(test.probe.calls, 1);
    EXPECT_EQ(Forms::frmStartUp().startUpCounter(), 2) << "the dropped tick is not counted";
    test.probe.during = nullptr;
    tick();
    EXPECT_TRUE(Forms::frmChoosePort().isVisible());
}

// The probe no longer holds back the user's input; a close meanwhile waits for the probe's end.
TEST(StartUp, ACloseDuringTheProbeIsAskedOnceTheProbeHasEnded)
{
    TestPlatform test;
    Forms::frmStartUp().Show();
    tick();
    test.probe.holdAnswer = true;
    tick();
    EXPECT_FALSE(Forms::frmStartUp().window()->close());
    EXPECT_TRUE(test.quit.asked.isEmpty());
    test.probe.answer();
    EXPECT_EQ(test.quit.asked.size(), 1);
    EXPECT_TRUE(Forms::frmStartUp().isVisible());
    tick();
    EXPECT_TRUE(Forms::frmChoosePort().isVisible());
}

TEST(StartUp, ClosingByHandAsksWithTheTimerStoppedAndCancelRunsOn)
{
    TestPlatform test;
    Forms::frmStartUp().Show();
    tick();
    test.quit.answer(testing_support::QuitAnswers::Answer::Cancel, [](QDialog &) {
        EXPECT_FALSE(Forms::frmStartUp().Timer1->isRunning()) << "timer stopped while asking";
    });
    EXPECT_FALSE(Forms::frmStartUp().window()->close());
    ASSERT_EQ(test.quit.asked.size(), 1);
    EXPECT_EQ(test.quit.asked.at(0).over, Forms::frmStartUp().window());
    EXPECT_EQ(test.quit.asked.at(0).text,
              QStringLiteral("Are you sure you want to quit updating your scale?"));
    EXPECT_TRUE(Forms::frmStartUp().isVisible());
    EXPECT_TRUE(Forms::frmStartUp().Timer1->isRunning());
    tick(); // the pending step: the probe
    EXPECT_EQ(test.probe.calls, 1);
}

TEST(StartUp, YesToTheQuestionEndsTheProgram)
{
    TestPlatform test;
    Forms::frmStartUp().Show();
    test.quit.answer(testing_support::QuitAnswers::Answer::Yes);
    Forms::frmStartUp().window()->close();
    EXPECT_TRUE(test.process.terminated());
    EXPECT_TRUE(test.dialogs.boxes().empty());
}

} // namespace
