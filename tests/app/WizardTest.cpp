// The wizard's link window and "Successful Download": what they show, the keyboard, Continue
// with a good and a cancelled download (a scripted transfer; the whole runs in tests/e2e fetch
// over real HTTP), the hand-over to the programming window, and the quit question.

#include "TransferDouble.h"
#include "WizardPlatform.h"

#include "app/QuitQuestion.h"
#include "app/frmCheckScale.h"
#include "app/frmDisplay.h"
#include "app/frmDownload.h"
#include "app/frmWelcome.h"
#include "device/ScaleProgrammer.h"
#include "platform/Files.h"
#include "platform/SerialPort.h"
#include "platform/Services.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kUpdate = QString::fromLatin1(platform::kUpdateFileName);

// A scripted answer with the whole file.
testing_support::TransferDouble::Answer wholeFile(const QByteArray &content)
{
    testing_support::TransferDouble::Answer answer;
    answer.headerText
        = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Length: %1\r\n\r\n").arg(content.size());
    answer.chunks = {content};
    return answer;
}

class Wizard : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Forms::frmCheckScale().setSerialNumber(QStringLiteral("20231187"));
        platform::install(&factory);
    }
    void TearDown() override
    {
        platform::install(static_cast<platform::HttpTransferFactory *>(nullptr));
    }
    QString updateFile() const { return platform::workingFile(kUpdate); }

    testing_support::WizardPlatform test;
    testing_support::DoubleFactory factory;
    testing_support::TransferDouble &transfer = factory.transfer();
    frmCheckScale &check = Forms::frmCheckScale();
};

TEST_F(Wizard, EnterMovesToContinueAndASecondEnterPressesItWithBlanksMissingTheLink)
{
    check.Show();
    check.txtLink->setText(QStringLiteral("   \t "));
    QTest::keyClick(check.txtLink.get(), Qt::Key_Return);
    EXPECT_EQ(check.window()->focusWidget(), check.cmdContinue.get());
    EXPECT_TRUE(test.dialogs.boxes().empty()) << "the first Enter does not press Continue";

    test.dialogs.answer(platform::mb::OK);
    QTest::keyClick(check.cmdContinue.get(), Qt::Key_Return);
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    const auto &box = test.dialogs.boxes().front();
    EXPECT_EQ(box.text, QStringLiteral("Please provide the link on the text box."));
    EXPECT_EQ(box.title, QStringLiteral("Missing Link"));
    EXPECT_EQ(box.buttons, platform::mb::OKOnly);
    EXPECT_EQ(box.icon, 0);
    EXPECT_FALSE(Forms::frmDownload().isLoaded());
    EXPECT_TRUE(check.isVisible());
    EXPECT_TRUE(check.Enabled());
}

TEST_F(Wizard, ContinueDownloadsWithTheWindowDisabledAndMovesOnToSuccessfulDownload)
{
    transfer.answers.push_back(wholeFile("0123456789"));
    check.Show();
    check.txtLink->setText(QStringLiteral("  http://downloads.test/u.hex \t"));
    bool disabledDuring = false;
    bool hourglassDuring = false;
    transfer.beforeChunk = [&](int) {
        disabledDuring = !check.Enabled();
        hourglassDuring = check.MousePointer() == platform::vbHourglass;
    };
    check.cmdContinue->click();

    EXPECT_EQ(check.Link, QStringLiteral("http://downloads.test/u.hex"));
    EXPECT_TRUE(disabledDuring);
    EXPECT_TRUE(hourglassDuring);
    EXPECT_EQ(testing_support::readFile(updateFile()), QByteArray("0123456789"));
    EXPECT_FALSE(check.isLoaded());
    EXPECT_FALSE(check.AskExit);
    const QWidget *success = testing_support::topLevel(QStringLiteral("frmSuccess"));
    EXPECT_TRUE(success && success->isVisible());
    EXPECT_TRUE(test.dialogs.boxes().empty());
}

TEST_F(Wizard, ACancelConfirmedAfterTheLastByteIsNoDownload)
{
    transfer.answers.push_back(wholeFile("0123456789"));

    check.Show();
    check.txtLink->setText(QStringLiteral("http://downloads.test/u.hex"));
    bool enabledByTheCancel = false;
    transfer.beforeChunk = [&](int handedOut) {
        if (handedOut != 1)
            return;
        // Every byte is in; the user closes the progress window and confirms.
        test.dialogs.answer(platform::mb::Yes);
        Forms::frmDownload().window()->close();
        enabledByTheCancel = check.Enabled();
        check.cmdContinue->click(); // pressed again while the download is ending
    };
    check.cmdContinue->click();

    EXPECT_TRUE(enabledByTheCancel) << "the progress window's cancel enables the link window";
    EXPECT_TRUE(Forms::frmDownload().CancelSearch);
    EXPECT_EQ(transfer.requests.size(), 1) << "the second press started nothing";
    EXPECT_EQ(testing_support::topLevel(QStringLiteral("frmSuccess")), nullptr);
    EXPECT_TRUE(check.isVisible());
    EXPECT_TRUE(check.Enabled());
    EXPECT_EQ(check.txtLink->text(), QStringLiteral("http://downloads.test/u.hex"));
    EXPECT_EQ(test.dialogs.boxes().size(), 1u);
}

TEST_F(Wizard, ExitAndCloseAskTheQuitQuestionOverTheirWindow)
{
    check.Show();
    check.cmdExit->click();
    EXPECT_FALSE(check.window()->close());
    EXPECT_TRUE(check.isVisible());

    test.flow.goTo(UpdateFlow::Screen::Downloaded);
    QWidget *success = testing_support::topLevel(QStringLiteral("frmSuccess"));
    ASSERT_TRUE(success);
    EXPECT_FALSE(success->close());
    EXPECT_TRUE(success->isVisible());
    std::vector<const QWidget *> owners;
    for (const auto &asked : test.quit.asked) {
        EXPECT_EQ(asked.text, QStringLiteral("Are you sure you want to quit updating your scale?"));
        owners.push_back(asked.over);
    }
    EXPECT_EQ(owners, (std::vector<const QWidget *> {check.window(), check.window(), success}));
    EXPECT_FALSE(test.process.terminated());
}

TEST_F(Wizard, UpdateOpensTheScalesPortAndHandsOverToTheProgrammingWindow)
{
    test.serial.addScale(3, QStringLiteral("20231187"));
    test.serial.addPort(4, testing_support::VirtualScaleSerial::PortState::Busy);
    frmDisplay &display = Forms::frmDisplay();
    for (const int port : {3, 4}) {
        SCOPED_TRACE(port);
        display.scale().setPortNumber(port);
        test.flow.goTo(UpdateFlow::Screen::Downloaded);
        QWidget *success = testing_support::topLevel(QStringLiteral("frmSuccess"));
        ASSERT_TRUE(success);
        success->findChild<QPushButton *>(QStringLiteral("cmdUpdate"))->click();
        // A port that will not open is no error here: the update run meets a silent scale and
        // offers Retry.
        EXPECT_EQ(display.scale().isOpen(), port == 3);
        EXPECT_TRUE(display.isVisible());
        EXPECT_FALSE(success->isVisible()) << "left, and gone with the next events";
        display.Hide();
        if (display.scale().isOpen())
            display.scale().close();
    }
    EXPECT_TRUE(test.dialogs.boxes().empty());
    EXPECT_TRUE(test.quit.asked.isEmpty());
}

} // namespace
