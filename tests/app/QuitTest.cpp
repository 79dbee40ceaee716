// The quit protocol: who asks, what Yes deletes and in which order, what Cancel leaves, and which
// question shows. The new-version window's own question is in WelcomeTest.

#include "LogCapture.h"
#include "TestPlatform.h"

#include "app/frmChoosePort.h"
#include "app/frmQuit.h"
#include "app/frmVersion.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

using testing_support::processEvents;
using testing_support::TestPlatform;

namespace {

const QString kUpdate = QString::fromLatin1(platform::kUpdateFileName);
const QString kBanner = QString::fromLatin1(platform::kBannerFileName);

void answerQuit(bool yes)
{
    platform::Form::setModalObserver([yes](platform::Form &form, platform::Form *) {
        ASSERT_EQ(&form, &Forms::frmQuit());
        (yes ? Forms::frmQuit().cmdYes : Forms::frmQuit().cmdCancel)->click();
    });
}

TEST(QuitProtocol, UserCloseOfAnAskingWindowAsksAndCancelKeepsIt)
{
    TestPlatform test;
    frmChoosePort &choose = Forms::frmChoosePort();
    choose.Show();
    ASSERT_TRUE(choose.AskExit);
    int asked = 0;
    platform::Form::setModalObserver([&](platform::Form &, platform::Form *owner) {
        ++asked;
        EXPECT_EQ(owner, &choose);
        Forms::frmQuit().cmdCancel->click();
    });
    EXPECT_FALSE(choose.window()->close());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(choose.isVisible());
    EXPECT_TRUE(choose.AskExit);
    EXPECT_FALSE(test.process.terminated());
}

TEST(QuitProtocol, AWindowClosingItselfDoesNotAsk)
{
    TestPlatform test;
    frmChoosePort &choose = Forms::frmChoosePort();
    choose.Show();
    platform::Form::setModalObserver(
        [](platform::Form &, platform::Form *) { ADD_FAILURE() << "asked"; });
    choose.AskExit = false;
    EXPECT_TRUE(choose.Close());
    EXPECT_FALSE(choose.isLoaded());
}

TEST(QuitProtocol, YesDeletesTheBannerThenTheUpdateFileAndTerminates)
{
    TestPlatform test;
    test.touchWorkingFile(kUpdate);
    test.touchWorkingFile(kBanner);
    testing_support::LogCapture log("kovara.files", QStringLiteral("kovara.files.info=true"));
    Forms::frmChoosePort().Show();
    answerQuit(true);
    Forms::frmChoosePort().window()->close();
    EXPECT_TRUE(test.process.terminated());
    EXPECT_FALSE(platform::fileExists(platform::workingFile(kUpdate)));
    EXPECT_FALSE(platform::fileExists(platform::workingFile(kBanner)));
    QStringList deleted;
    for (const QString &line : log.linesAfter(QStringLiteral("deleted")))
        deleted << line.section(QLatin1Char('/'), -1);
    EXPECT_EQ(deleted,
              QStringList({QStringLiteral("norvessiaupdatebanner.jpg"),
                           QStringLiteral("KovaraNorvessia_APROM.hex")}));
}

TEST(QuitProtocol, TheQuestionIsFreshOnEveryShowing)
{
    TestPlatform test;
    Forms::frmVersion().NewVersion = true;
    platform::Form::setModalObserver(
        [](platform::Form &, platform::Form *) { Forms::frmQuit().cmdCancel->click(); });
    Forms::frmQuit().ShowModal(nullptr);
    Forms::frmVersion().NewVersion = false;
    platform::Form::setModalObserver([](platform::Form &form, platform::Form *) {
        EXPECT_EQ(form.Caption(), QStringLiteral("Quit PC Program"));
        EXPECT_EQ(Forms::frmQuit().lblQuit->text(),
                  QStringLiteral("Are you sure you want to quit updating your scale?"));
        Forms::frmQuit().cmdCancel->click();
    });
    Forms::frmQuit().ShowModal(nullptr);
    processEvents();
}

} // namespace
