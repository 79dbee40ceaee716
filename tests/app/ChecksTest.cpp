// The maker's two questions as the program asks them: the version check with its new-version
// window and retry question, the update check with its blinking banner, and the user's input held
// while a question is out. The maker's servers are TestPlatform's network double.

#include "WizardPlatform.h"

#include "net/MakerAddresses.h"
#include "platform/Files.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using testing_support::MakerQueries;

const QString kRetry
    = QStringLiteral("An error occurred while trying to check latest version of PC Program.");
const QString kUnable = QStringLiteral("Unable to check software update.");

TEST(Checks, VersionCheckShowsTheWindowForAnyOtherVersionAndRetriesAFailure)
{
    RecordTable twoRecords(2, 1);
    twoRecords.setCell(0, 0, QStringLiteral("5.1"));
    twoRecords.setCell(1, 0, QStringLiteral("5.2"));
    struct Row
    {
        RecordTable table;
        const char *failure;                        // the first question gets no answer
        QList<QMessageBox::StandardButton> answers; // to the boxes, in order
        QStringList boxes;
        bool shown;
        const char *latest;
        int asked;
    };
    const Row rows[] = {
        {MakerQueries::record({"5.0"}), nullptr, {}, {}, false, "Version 5.0", 1},
        {MakerQueries::record({" 5.0 "}), nullptr, {}, {}, false, "Version 5.0", 1},
        {MakerQueries::record({"5.1"}), nullptr, {}, {}, true, "Version 5.1", 1},
        {MakerQueries::record({"5.0.1"}), nullptr, {}, {}, true, "Version 5.0.1", 1},
        {MakerQueries::record({"5.00"}), nullptr, {}, {}, true, "Version 5.00", 1},
        {twoRecords, nullptr, {}, {}, true, "Version 5.2", 1}, // the last record counts
        {MakerQueries::record({"5.1"}),
         "Connection refused",
         {QMessageBox::Ok, QMessageBox::Retry},
         {QStringLiteral("Error: Connection refused"), kRetry},
         true,
         "Version 5.1",
         2},
        {RecordTable(), nullptr, {QMessageBox::Cancel}, {kRetry}, false, "", 1},
        {MakerQueries::record({"  "}),
         nullptr,
         {QMessageBox::Cancel},
         {kRetry},
         false,
         "Version ",
         1},
    };
    for (const Row &row : rows) {
        testing_support::WizardPlatform test;
        SCOPED_TRACE(row.latest);
        test.maker.currentVersion = row.table;
        test.flow.goTo(UpdateFlow::Screen::Main);
        test.waitForChecks();
        // The version check comes half a second after the update check.
        if (row.failure)
            test.maker.failNext(1, QString::fromLatin1(row.failure));
        for (const QMessageBox::StandardButton answer : row.answers)
            test.dialogs.answer(answer);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return test.maker.asked("CurrentVersion") >= row.asked; }));
        test.waitForChecks();

        const QWidget *version = testing_support::topLevel(QStringLiteral("frmVersion"));
        EXPECT_EQ(test.dialogs.texts(), row.boxes);
        EXPECT_EQ(version && version->isVisible(), row.shown);
        EXPECT_EQ(test.maker.asked("CurrentVersion"), row.asked);
        if (version) {
            const auto text = [version](const char *name) {
                return version->findChild<QLabel *>(QString::fromLatin1(name))->text();
            };
            EXPECT_EQ(text("lblProg"), QStringLiteral("Version 5.0"));
            EXPECT_EQ(text("lblLatest"), QString::fromLatin1(row.latest));
        }
    }
}

TEST(Checks, UpdateCheckFetchesTheBannerOnOfferAndTellsAFailure)
{
    struct Row
    {
        const char *answer;
        const char *failure;
        int bannerStatus;
        QByteArray bannerBody;
        QStringList boxes;
        bool fetched;
        QSize shown; // of the banner's picture; empty: none
        bool blinks; // only while an update is on offer
    };
    const QByteArray picture = testing_support::jpeg(300, 50);
    const Row rows[] = {
        {"y", nullptr, 200, picture, {}, true, QSize(300, 50), true},
        {" Y ", nullptr, 200, picture, {}, true, QSize(300, 50), true},
        {"Y", nullptr, 200, "not a picture", {}, true, QSize(), true},
        {"Y", nullptr, 404, "<html>404 Not Found</html>", {}, true, QSize(), true},
        {"n", nullptr, 200, picture, {}, false, QSize(), false},
        {"Yes", nullptr, 200, picture, {kUnable}, false, QSize(), false},
        {"Y",
         "Host not found",
         200,
         picture,
         {QStringLiteral("Error: Host not found"), kUnable},
         false,
         QSize(),
         false},
    };
    for (const Row &row : rows) {
        testing_support::WizardPlatform test;
        SCOPED_TRACE(std::string(row.answer) + " " + std::to_string(row.bannerStatus));
        const QString bannerFile = test.files.bannerFile();
        test.touchWorkingFile(QString::fromLatin1(platform::kBannerFileName), "stale");
        test.maker.setUpdate(QString::fromLatin1(row.answer));
        if (row.failure)
            test.maker.failNext(1, QString::fromLatin1(row.failure));
        test.maker.serve(maker::bannerUrl(), row.bannerStatus, row.bannerBody);
        for (int i = 0; i < row.boxes.size(); ++i)
            test.dialogs.answer(QMessageBox::Ok);
        QWidget *main = nullptr;
        {
            // Built with the first port search, before it is shown.
            test.flow.goTo(UpdateFlow::Screen::Main);
            main = testing_support::topLevel(QStringLiteral("frmWelcome"));
        }
        test.waitForChecks();
        QLabel *banner = main->findChild<QLabel *>(QStringLiteral("ImgBanner"));
        QTimer *blinkTimer = main->findChild<QTimer *>(QStringLiteral("Timer2"));

        EXPECT_EQ(test.dialogs.texts(), row.boxes);
        EXPECT_EQ(test.maker.fetched(),
                  row.fetched ? QStringList {maker::bannerUrl()} : QStringList {});
        EXPECT_EQ(banner->pixmap().size(), row.shown.isValid() ? row.shown : QSize(0, 0));
        EXPECT_EQ(banner->isVisibleTo(main), row.fetched && row.bannerStatus == 200);
        EXPECT_EQ(blinkTimer->isActive(), row.blinks);
        EXPECT_EQ(platform::fileExists(bannerFile), row.bannerStatus != 200 || !row.fetched)
            << "a fetched banner is deleted once read; an error page is never written";
        if (row.blinks && row.shown.isValid()) {
            QList<bool> blink;
            QObject::connect(
                blinkTimer, &QTimer::timeout, banner, [&] { blink << banner->isVisibleTo(main); });
            blinkTimer->setInterval(1);
            ASSERT_TRUE(QTest::qWaitFor([&] { return blink.size() >= 4; }));
            EXPECT_EQ(blink.mid(0, 4), (QList<bool> {true, false, true, false}));
        }
    }
}

// What the user does while a question is out acts once the answer is in: a click on Update Scale
// during the version check moves on after the new-version window has come.
TEST(Checks, TheUsersInputWaitsForTheAnswer)
{
    testing_support::WizardPlatform test;
    test.serial.addScale(1, QStringLiteral("20231187"));
    test.maker.setVersion(QStringLiteral("5.1"));
    test.flow.goTo(UpdateFlow::Screen::Main);
    test.waitForChecks();
    QWidget *main = testing_support::topLevel(QStringLiteral("frmWelcome"));
    test.maker.holdReplies = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return test.maker.repliesOut() == 1; }));

    QTest::mouseClick(
        testing_support::button(QStringLiteral("frmWelcome"), QStringLiteral("cmdUpdate")),
        Qt::LeftButton);
    QTest::keyClick(main, Qt::Key_U, Qt::AltModifier);
    testing_support::processEvents();
    EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmCheckScale")))
        << "nothing happens while the answer is out";
    EXPECT_TRUE(main->isVisible());

    test.maker.releaseReplies();
    test.waitForChecks();
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmVersion")));
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmCheckScale")))
        << "the click acted after the answer";
    EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmWelcome")));
}

} // namespace
