// The search for the scale's port on "Connect Scale to Computer" and the error window a failed
// search leads to.

#include "WizardPlatform.h"

#include "app/QuitQuestion.h"
#include "device/PortList.h"
#include "device/ScaleIdentity.h"
#include "device/ScaleProgrammer.h"

#include <gtest/gtest.h>

namespace {

using State = testing_support::VirtualScaleSerial::PortState;

const QString kError = QStringLiteral("frmErrorScaleCom2");

class PortSearch : public ::testing::Test
{
protected:
    testing_support::WizardPlatform test;
    testing_support::VirtualScaleSerial &serial = test.serial;

    static QWidget *window() { return testing_support::topLevel(QStringLiteral("frmChoosePort")); }
    // Shows "Connect Scale to Computer" and presses Continue; ends with the search.
    void search()
    {
        test.flow.goTo(UpdateFlow::Screen::PortSearch);
        pressContinue();
        test.waitForChecks();
    }
    static void pressContinue()
    {
        testing_support::button(QStringLiteral("frmChoosePort"), QStringLiteral("cmdContinue"))
            ->click();
    }
};

TEST_F(PortSearch, PortsAreTriedInNumericOrderOnceEach)
{
    EXPECT_EQ(
        device::portNumbers({"COM3", "COM10", "COM1", "COM3", "LPT1", "COM2x", "COM", "COM02"}),
        (QList<int> {1, 2, 3, 10}));

    EXPECT_TRUE(device::isSerialNumber(QStringLiteral("01234567")));
    for (const char *answer : {"", "1234567", "123456789", "1234A678", "1234567:", "1234567/"})
        EXPECT_FALSE(device::isSerialNumber(QString::fromLatin1(answer))) << answer;
}

TEST_F(PortSearch, SkipsPortsThatCannotOpenOrDoNotAnswerAndStopsAtTheScale)
{
    serial.addScale(12, QStringLiteral("99999999"));
    serial.addScale(10, QStringLiteral("20231187"));
    serial.addPort(1, State::Empty);
    serial.addPort(4, State::Absent);
    serial.addPort(2, State::Busy);
    serial.addScale(3, QStringLiteral("12AB5678")); // not BCD
    search();
    for (auto [port, opens] : {std::pair {1, 1}, {2, 0}, {3, 1}, {10, 1}, {12, 0}})
        EXPECT_EQ(serial.opens(port), opens) << "COM" << port;
    device::ScaleProgrammer &found = test.scale;
    EXPECT_EQ(found.portNumber(), 10);
    EXPECT_FALSE(found.isOpen());
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmWelcome")));
    EXPECT_TRUE(test.dialogs.boxes().empty());
}

TEST_F(PortSearch, ContinueFindsTheScaleAndOpensTheMainWindow)
{
    serial.addPort(1, State::Absent);
    serial.addScale(2, QStringLiteral("20231187")).setTiming({true}); // at 19200 baud
    QString captionDuring;
    Qt::CursorShape cursorDuring = Qt::ArrowCursor;
    test.clock.scheduleIn(30, [&] {
        captionDuring = window()->windowTitle();
        cursorDuring = window()->cursor().shape();
        pressContinue(); // a second press while searching
    });
    search();

    EXPECT_EQ(captionDuring, QStringLiteral("Checking Scale Connection to Computer...."));
    EXPECT_EQ(cursorDuring, Qt::WaitCursor);
    EXPECT_EQ(serial.sent(2), QByteArray::fromHex("B40700")) << "one search";
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmWelcome")));
    EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmChoosePort")));
    EXPECT_FALSE(testing_support::isShown(kError));
}

TEST_F(PortSearch, NoScaleLeadsToTheErrorWindow)
{
    serial.addPort(1, State::Empty);
    serial.addPort(5, State::Absent);
    search();

    EXPECT_NEAR(double(test.clock.waitedMs()), 10'000.0, 600.0);
    EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmChoosePort")));
    const QWidget *error = testing_support::topLevel(kError);
    ASSERT_TRUE(error && error->isVisible());
    EXPECT_EQ(error->windowTitle(), QStringLiteral("Error Communicating with the Scale"));
    EXPECT_FALSE(error->testAttribute(Qt::WA_SetCursor));
    EXPECT_TRUE(test.dialogs.boxes().empty());
}

TEST_F(PortSearch, APortTheUserMayNotOpenIsExplainedOnce)
{
    serial.addPort(1, State::Forbidden);
    serial.addPort(2, State::Empty);
    serial.addPort(3, State::Forbidden);
    test.dialogs.answer(QMessageBox::Ok);
    search();

    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    const QString text = test.dialogs.boxes().at(0).text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("No scale was found, and 2 serial ports could not "
                                               "be searched.\r")));
    EXPECT_TRUE(text.contains(QStringLiteral("You may not open COM1")));
    EXPECT_TRUE(text.contains(QStringLiteral("You may not open COM3")));
    EXPECT_TRUE(text.contains(QStringLiteral("dialout")));
    EXPECT_EQ(test.dialogs.boxes().at(0).icon, QMessageBox::Warning);
    EXPECT_TRUE(testing_support::isShown(kError));

    // No message when the scale is found, refused ports or not.
    serial.addScale(4, QStringLiteral("20231187"));
    search();
    EXPECT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmWelcome")));
}

TEST_F(PortSearch, RetryGoesBackToTheStepThatFailed)
{
    serial.addPort(1, State::Empty);
    search();
    testing_support::button(kError, QStringLiteral("cmdRetry"))->click();
    testing_support::processEvents();
    EXPECT_FALSE(testing_support::topLevel(kError));
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmChoosePort")));

    // The main window's serial-number read failed: Retry goes back to the main window.
    test.flow.goTo(UpdateFlow::Screen::Main);
    testing_support::button(QStringLiteral("frmWelcome"), QStringLiteral("cmdUpdate"))->click();
    ASSERT_TRUE(testing_support::isShown(kError));
    testing_support::button(kError, QStringLiteral("cmdRetry"))->click();
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmWelcome")));
    EXPECT_FALSE(testing_support::isShown(kError));
}

TEST_F(PortSearch, ErrorWindowExitAndCloseAskTheQuitQuestion)
{
    const QList<testing_support::QuitAnswers::Asked> &asked = test.quit.asked;
    test.flow.goTo(UpdateFlow::Screen::ScaleMissing);
    QWidget *error = testing_support::topLevel(kError);
    testing_support::button(kError, QStringLiteral("cmdExit"))->click();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.at(0).over, error);

    EXPECT_FALSE(error->close());
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked.at(1).over, error);
    EXPECT_TRUE(error->isVisible());
}

} // namespace
