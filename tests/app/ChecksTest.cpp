// The update check's banner: fetched only on an offer, shown only when it is a picture, blinking
// only while an update is on offer, and its file gone once read.

#include "TestPlatform.h"

#include "net/MakerAddresses.h"
#include "platform/Files.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kUnable = QStringLiteral("Unable to check software update.");

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
        testing_support::TestPlatform test;
        SCOPED_TRACE(std::string(row.answer) + " " + std::to_string(row.bannerStatus));
        const QString bannerFile = test.files.bannerFile();
        test.touchWorkingFile(QString::fromLatin1(platform::kBannerFileName), "stale");
        test.maker.setUpdate(QString::fromLatin1(row.answer));
        if (row.failure)
            test.maker.failNextAsking(testing_support::kUpdate, QString::fromLatin1(row.failure));
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

} // namespace
