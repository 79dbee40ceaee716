// Start-up: the internet check on the second tick, the port search on the first tick after its
// answer, the no-internet screen, and the quit question when the start-up window is closed.

#include "WizardPlatform.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using testing_support::QuitAnswers;

const QString kStartUp = QStringLiteral("frmStartUp");

bool portSearchShown()
{
    return QTest::qWaitFor(
        [] { return testing_support::isShown(QStringLiteral("frmChoosePort")); });
}

TEST(StartUp, ReachableInternetLeadsToThePortSearch)
{
    testing_support::WizardPlatform test;
    test.flow.start();
    const QWidget *startUp = testing_support::topLevel(kStartUp);
    ASSERT_TRUE(startUp && startUp->isVisible());
    EXPECT_EQ(startUp->cursor().shape(), Qt::WaitCursor);

    ASSERT_TRUE(portSearchShown());
    EXPECT_EQ(test.probe.calls, 1);
    testing_support::processEvents();
    EXPECT_FALSE(testing_support::topLevel(kStartUp));
    EXPECT_TRUE(test.dialogs.boxes().empty());
    EXPECT_TRUE(test.quit.asked.isEmpty());
    EXPECT_FALSE(test.process.terminated());
}

TEST(StartUp, UnreachableInternetStopsOnTheNoInternetScreen)
{
    testing_support::WizardPlatform test;
    test.probe.reachable = false;
    test.flow.start();
    ASSERT_TRUE(QTest::qWaitFor([] { return testing_support::isShown("frmNotConnected"); }));
    QWidget *stop = testing_support::topLevel(QStringLiteral("frmNotConnected"));
    QTest::qWait(20);
    EXPECT_TRUE(testing_support::isShown(kStartUp)) << "the start-up window stays behind it";
    EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmChoosePort")))
        << "the start-up stopped";

    // Closing the start-up window and cancelling the question starts its ticks again, and the
    // next one opens the port search all the same.
    test.quit.answer(QuitAnswers::Answer::Cancel);
    testing_support::topLevel(kStartUp)->close();
    ASSERT_TRUE(portSearchShown());

    stop->findChild<QPushButton *>(QStringLiteral("cmdOkay"))->click();
    EXPECT_EQ(test.process.terminations, 1);
    stop->close();
    EXPECT_EQ(test.process.terminations, 2) << "the close box ends the program too";
    EXPECT_TRUE(test.dialogs.boxes().empty());
}

// Ticks keep coming while the check runs; none starts a second check, and a close meanwhile is
// asked once the check has ended.
TEST(StartUp, WhileTheCheckRunsTicksAndACloseWaitForItsEnd)
{
    testing_support::WizardPlatform test;
    test.probe.holdAnswer = true;
    test.flow.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return test.probe.calls == 1; }));
    QTest::qWait(20);
    EXPECT_EQ(test.probe.calls, 1);
    QWidget *startUp = testing_support::topLevel(kStartUp);
    test.quit.answer(QuitAnswers::Answer::Cancel);
    EXPECT_FALSE(startUp->close());
    EXPECT_TRUE(test.quit.asked.isEmpty());

    test.probe.answer();
    ASSERT_EQ(test.quit.asked.size(), 1);
    EXPECT_EQ(test.quit.asked.at(0).over, startUp);
    ASSERT_TRUE(portSearchShown());
    EXPECT_EQ(test.probe.calls, 1);
}

// The start-up stands still while the question is asked: Cancel goes on, Yes ends the program.
TEST(StartUp, ClosingItAsksWhetherToQuitWithTheStartUpStopped)
{
    for (const auto answer : {QuitAnswers::Answer::Cancel, QuitAnswers::Answer::Yes}) {
        testing_support::WizardPlatform test;
        test.flow.start();
        QWidget *startUp = testing_support::topLevel(kStartUp);
        test.quit.answer(answer, [&](QDialog &) {
            QTest::qWait(20);
            EXPECT_EQ(test.probe.calls, 0) << "the start-up went on under the question";
        });
        EXPECT_FALSE(startUp->close());
        ASSERT_EQ(test.quit.asked.size(), 1);
        EXPECT_EQ(test.quit.asked.at(0).text,
                  QStringLiteral("Are you sure you want to quit updating your scale?"));
        if (answer == QuitAnswers::Answer::Yes) {
            EXPECT_TRUE(test.process.terminated());
            continue;
        }
        ASSERT_TRUE(portSearchShown());
        EXPECT_EQ(test.probe.calls, 1);
        EXPECT_FALSE(test.process.terminated());
    }
}

} // namespace
