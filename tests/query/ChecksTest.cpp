// The maker's two questions as the main window asks them: the program-version check with its
// new-version window and retry question, and the software-update check with its blinking banner.
// The maker's answers come from TestPlatform's query double, the banner from a transfer double.

#include "TransferDouble.h"
#include "WizardPlatform.h"

#include "app/CheckWindows.h"
#include "app/frmVersion.h"
#include "app/frmWelcome.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "query/modCheck.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

using platform::mb::Information;
using platform::mb::OKOnly;
using platform::mb::RetryCancel;
using testing_support::MakerQueries;

const QString kBanner = QString::fromLatin1(platform::kBannerFileName);
const QString kRetryText
    = QStringLiteral("An error occurred while trying to check latest version of PC Program.");

class VersionCheck : public ::testing::Test
{
protected:
    // The check runs from the main window, which is loaded by then.
    void SetUp() override { Forms::frmWelcome().Load(); }

    testing_support::WizardPlatform test;
    frmVersion &version = Forms::frmVersion();
};

TEST_F(VersionCheck, AnyDifferenceInTheTextsShowsTheWindow)
{
    struct Case
    {
        RecordTable table;
        bool shown;
        const char *latest;
    };
    RecordTable twoRecords(2, 1);
    twoRecords.setCell(0, 0, QStringLiteral("5.1"));
    twoRecords.setCell(1, 0, QStringLiteral("5.2"));
    const Case cases[] = {
        {MakerQueries::record({"5.0"}), false, "Version 5.0"},
        {MakerQueries::record({" 5.0 "}), false, "Version 5.0"},
        {MakerQueries::record({"5", ".0"}), false, "Version 5.0"},
        {MakerQueries::record({"5.1"}), true, "Version 5.1"},
        {MakerQueries::record({"4.9"}), true, "Version 4.9"},
        {MakerQueries::record({"5.00"}), true, "Version 5.00"},
        {twoRecords, true, "Version 5.2"}, // only the last record counts
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.latest);
        test.maker.currentVersion = c.table;
        CheckNewVersion();
        EXPECT_EQ(version.isVisible(), c.shown);
        EXPECT_EQ(version.lblProg->text(), QStringLiteral("Version 5.0"));
        EXPECT_EQ(version.lblLatest->text(), QString::fromLatin1(c.latest));
        EXPECT_TRUE(test.dialogs.boxes().empty());
        if (c.shown) {
            EXPECT_EQ(version.lblLatest->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            EXPECT_TRUE(version.cmdDownloadPCProg->isEnabled());
            EXPECT_TRUE(version.cmdExit->isEnabled());
        }
        version.AskExit = false;
        version.Close();
    }
}

TEST_F(VersionCheck, UnreachableServerShowsTheErrorThenRetryAsksAgain)
{
    test.maker.failNext(1, QStringLiteral("Connection refused"));
    test.maker.setVersion(QStringLiteral("5.1"));
    test.dialogs.answer(platform::mb::OK);
    test.dialogs.answer(platform::mb::Retry);
    CheckNewVersion();

    ASSERT_EQ(test.dialogs.boxes().size(), 2u);
    const auto &error = test.dialogs.boxes()[0];
    EXPECT_EQ(error.text, QStringLiteral("Error: Connection refused"));
    EXPECT_EQ(error.buttons, OKOnly);
    EXPECT_EQ(error.icon, 0);
    EXPECT_EQ(error.title, platform::applicationTitle());
    const auto &retry = test.dialogs.boxes()[1];
    EXPECT_EQ(retry.text, kRetryText);
    EXPECT_EQ(retry.buttons, RetryCancel);
    EXPECT_EQ(retry.icon, Information);
    EXPECT_EQ(retry.title, QStringLiteral("Error Encountered"));
    EXPECT_EQ(test.maker.asked("CurrentVersion"), 2);
    EXPECT_TRUE(version.isVisible());
    EXPECT_EQ(version.lblLatest->text(), QStringLiteral("Version 5.1"));
}

TEST_F(VersionCheck, CancelAtTheRetryQuestionEndsWithNoWindow)
{
    // No record, and a record with no value: the same question, no "Error:" box.
    for (const RecordTable &table : {RecordTable(), MakerQueries::record({"  "})}) {
        test.dialogs.clear();
        test.maker.currentVersion = table;
        test.dialogs.answer(platform::mb::Cancel);
        CheckNewVersion();
        EXPECT_EQ(test.dialogs.texts(), QStringList {kRetryText});
        EXPECT_FALSE(version.isVisible());
    }
}

TEST_F(VersionCheck, RunsOnceWhateverTicksArriveWhileItWaits)
{
    frmWelcome &welcome = Forms::frmWelcome();
    for (int tick = 0; tick < 10; ++tick)
        ASSERT_TRUE(welcome.Timer1->fire());
    int ticksDuring = 0;
    auto tickAgain = [&] {
        ++ticksDuring;
        welcome.Timer1->fire();
    };
    test.maker.during = [&](const QByteArray &statement) {
        if (statement.contains("CurrentVersion"))
            tickAgain();
    };
    test.dialogs.onBox([&](const auto &) { tickAgain(); });
    test.maker.currentVersion = RecordTable();
    test.dialogs.answer(platform::mb::Retry);
    test.dialogs.answer(platform::mb::Cancel);

    welcome.Timer1->fire();
    EXPECT_EQ(ticksDuring, 4) << "two queries and two questions";
    EXPECT_EQ(test.maker.asked("CurrentVersion"), 2) << "the first check and its one retry";
    EXPECT_TRUE(welcome.UpdateShown);
    EXPECT_FALSE(welcome.Timer1->isRunning());
}

class UpdateCheck : public ::testing::Test
{
protected:
    // Loads the main window, whose load runs the check.
    void loadMainWindow() { welcome.Load(); }
    void closeMainWindow()
    {
        welcome.AskExit = false;
        welcome.Close();
        transfer.urls.clear();
        test.dialogs.clear();
    }
    bool bannerFileExists() const { return platform::fileExists(platform::workingFile(kBanner)); }
    bool bannerShown() const { return welcome.ImgBanner->isVisibleTo(welcome.window()); }

    void SetUp() override { platform::install(&factory); }
    void TearDown() override
    {
        platform::install(static_cast<platform::HttpTransferFactory *>(nullptr));
    }

    testing_support::WizardPlatform test;
    testing_support::DoubleFactory factory;
    testing_support::TransferDouble &transfer = factory.transfer();
    frmWelcome &welcome = Forms::frmWelcome();
};

TEST_F(UpdateCheck, OnOfferTheBannerIsFetchedShownAndBlinks)
{
    for (const char *answer : {"y", " Y "}) {
        SCOPED_TRACE(answer);
        test.touchWorkingFile(
            kBanner, testing_support::jpeg(40, 40)); // a stale banner is replaced before loading
        test.maker.setUpdate(QString::fromLatin1(answer));
        transfer.serve(QStringLiteral("200 OK"), testing_support::jpeg(300, 50));
        loadMainWindow();

        EXPECT_EQ(transfer.urls.value(0), modCheck::BannerURL());
        EXPECT_TRUE(bannerShown());
        EXPECT_EQ(welcome.ImgBanner->pixmap().size(), QSize(300, 50));
        EXPECT_FALSE(bannerFileExists()) << "the banner file is gone once shown";
        EXPECT_TRUE(test.dialogs.boxes().empty());

        ASSERT_TRUE(welcome.Timer2->isRunning());
        EXPECT_EQ(welcome.Timer2->Interval(), 1000);
        QList<bool> shown;
        for (int tick = 0; tick < 4; ++tick) {
            welcome.Timer2->fire();
            shown << bannerShown();
        }
        EXPECT_EQ(shown, (QList<bool> {true, false, true, false}));
        closeMainWindow();
    }
}

// "n" is no offer; any other answer, or none, is a failed check. No banner is asked for.
TEST_F(UpdateCheck, WithoutAnOfferNoBanner)
{
    const QString unable = QStringLiteral("Unable to check software update.");
    struct Case
    {
        const char *answer;
        const char *failure;
        QStringList texts;
    };
    const Case cases[] = {
        {"n", nullptr, {}},
        {"Yes", nullptr, {unable}},
        {"Y", "Host not found", {QStringLiteral("Error: Host not found"), unable}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        test.maker.setUpdate(QString::fromLatin1(c.answer));
        if (c.failure)
            test.maker.failNext(1, QString::fromLatin1(c.failure));
        for (qsizetype i = 0; i < c.texts.size(); ++i)
            test.dialogs.answer(platform::mb::OK);
        loadMainWindow();
        EXPECT_EQ(test.dialogs.texts(), c.texts);
        for (const auto &box : test.dialogs.boxes()) {
            EXPECT_EQ(box.buttons | box.icon, OKOnly);
            EXPECT_EQ(box.title, platform::applicationTitle());
        }
        EXPECT_TRUE(transfer.urls.isEmpty());
        EXPECT_FALSE(bannerShown());
        if (c.texts.isEmpty()) {
            EXPECT_FALSE(welcome.Timer2->isRunning()) << "no offer, no blink";
        }
        closeMainWindow();
    }
}

// An error page, no answer, or a body that is no picture: no banner file is left, nothing
// shows (the window blinks an empty banner), and no box.
TEST_F(UpdateCheck, WhatIsNoPictureIsNoBanner)
{
    test.maker.setUpdate(QStringLiteral("Y"));
    for (const char *status : {"404 Not Found", "500 Internal Server Error", "", "200 OK"}) {
        SCOPED_TRACE(status);
        const QString line = QString::fromLatin1(status);
        transfer.serve(line,
                       line == QStringLiteral("200 OK")
                           ? QByteArray("not a picture")
                           : QByteArray("<html><body><h1>404 Not Found</h1></body></html>"));
        loadMainWindow();
        EXPECT_FALSE(bannerFileExists()) << "the error page was written as the banner";
        EXPECT_TRUE(welcome.ImgBanner->pixmap().isNull());
        EXPECT_TRUE(welcome.Timer2->isRunning());
        EXPECT_TRUE(test.dialogs.boxes().empty());
        closeMainWindow();
    }
}

TEST_F(UpdateCheck, RetrieveFileNeedsANameAndAWritableFolder)
{
    for (int i = 0; i < 2; ++i)
        transfer.serve(QStringLiteral("200 OK"), "bytes");
    const QString folder = test.workingFolder() + QLatin1Char('/');
    EXPECT_FALSE(modCheck::RetrieveFile(welcome.Inet1(), QStringLiteral("http://h/dir/"), folder));
    EXPECT_TRUE(transfer.urls.isEmpty());
    EXPECT_FALSE(modCheck::RetrieveFile(
        welcome.Inet1(), QStringLiteral("http://h/f.jpg"), folder + QStringLiteral("missing/")));
    EXPECT_TRUE(QDir(test.workingFolder()).entryList(QDir::Files).isEmpty())
        << "nothing is left behind";
    EXPECT_TRUE(
        modCheck::RetrieveFile(welcome.Inet1(), QStringLiteral("http://h/a/f.jpg"), folder));
    QFile written(folder + QStringLiteral("f.jpg"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("bytes"));
}

} // namespace
