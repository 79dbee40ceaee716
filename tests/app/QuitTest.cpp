// The quit protocol: who asks, what Yes deletes and in which order, what Cancel leaves, and which
// question shows. The new-version window's own question is in WelcomeTest.

#include "LogCapture.h"
#include "WizardPlatform.h"

#include "app/QuitQuestion.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

using testing_support::processEvents;
using TestPlatform = testing_support::WizardPlatform;

namespace {

using Answer = testing_support::QuitAnswers::Answer;
const QString kUpdate = QString::fromLatin1(platform::kUpdateFileName);
const QString kBanner = QString::fromLatin1(platform::kBannerFileName);

TEST(QuitProtocol, UserCloseOfAWindowAsksAndCancelKeepsIt)
{
    TestPlatform test;
    test.flow.goTo(UpdateFlow::Screen::PortSearch);
    QWidget *search = testing_support::topLevel(QStringLiteral("frmChoosePort"));
    test.quit.answer(Answer::Cancel);
    EXPECT_FALSE(search->close());
    ASSERT_EQ(test.quit.asked.size(), 1);
    EXPECT_EQ(test.quit.asked.at(0).over, search);
    EXPECT_TRUE(test.quit.asked.at(0).modal);
    EXPECT_TRUE(search->isVisible());
    EXPECT_FALSE(test.process.terminated());
}

TEST(QuitProtocol, YesDeletesTheBannerThenTheUpdateFileAndTerminates)
{
    TestPlatform test;
    test.touchWorkingFile(kUpdate);
    test.touchWorkingFile(kBanner);
    testing_support::LogCapture log("kovara.files", QStringLiteral("kovara.files.info=true"));
    test.flow.goTo(UpdateFlow::Screen::PortSearch);
    test.quit.answer(Answer::Yes);
    testing_support::topLevel(QStringLiteral("frmChoosePort"))->close();
    EXPECT_TRUE(test.process.terminated());
    EXPECT_FALSE(platform::fileExists(test.files.updateFile()));
    EXPECT_FALSE(platform::fileExists(test.files.bannerFile()));
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
    EXPECT_FALSE(wizard::confirmLeaveDownload(nullptr));
    EXPECT_FALSE(wizard::askQuit(nullptr));
    ASSERT_EQ(test.quit.asked.size(), 2);
    EXPECT_EQ(test.quit.asked.at(0).title, QStringLiteral("Exit Download"));
    EXPECT_EQ(test.quit.asked.at(1).title, QStringLiteral("Quit PC Program"));
    EXPECT_EQ(test.quit.asked.at(1).text,
              QStringLiteral("Are you sure you want to quit updating your scale?"));
    processEvents();
}

} // namespace
