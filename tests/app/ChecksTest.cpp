// The update check's banner: fetched only on an offer, shown only when it is a picture, blinking
// only while an update is on offer, and its file gone once read.

#include "TestPlatform.h"

#include "net/MakerAddresses.h"
#include "platform/Files.h"

#include <QAbstractButton>
#include <QFileInfo>
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
        std::optional<QByteArray> banner; // served, or a fetch that fails
        QStringList boxes;
        bool fetched;
        QSize shown; // of the banner's picture; empty: none
        bool blinks; // only while an update is on offer
    };
    const QByteArray picture = testing_support::jpeg(300, 50);
    // clang-format off
    const Row rows[] = {
        {"y", nullptr, picture, {}, true, QSize(300, 50), true},
        {"Y", nullptr, picture, {}, true, QSize(300, 50), true},
        {"Y", nullptr, "not a picture", {}, true, QSize(), true},
        {"Y", nullptr, std::nullopt, {}, true, QSize(), true},
        {"n", nullptr, picture, {}, false, QSize(), false},
        {"Yes", nullptr, picture, {kUnable}, false, QSize(), false},
        {"Y", "Host not found", picture, {"Error: Host not found", kUnable}, false, QSize(), false},
    };
    // clang-format on
    for (const Row &row : rows) {
        testing_support::TestPlatform test;
        SCOPED_TRACE(std::string(row.answer) + (row.banner ? "" : ", no banner"));
        const QString bannerFile = test.files.bannerFile();
        test.touchWorkingFile(QString::fromLatin1(platform::kBannerFileName), "stale");
        test.maker.setUpdate(QString::fromLatin1(row.answer));
        if (row.failure)
            test.maker.failNextAsking(testing_support::kUpdate, QString::fromLatin1(row.failure));
        if (row.banner)
            test.maker.serve(net::MakerAddresses::built().bannerUrl(), *row.banner);
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
                  row.fetched ? QStringList {net::MakerAddresses::built().bannerUrl()}
                              : QStringList {});
        EXPECT_EQ(banner->pixmap().size(), row.shown.isValid() ? row.shown : QSize(0, 0));
        EXPECT_EQ(banner->isVisibleTo(main), row.fetched && row.banner);
        EXPECT_EQ(blinkTimer->isActive(), row.blinks);
        EXPECT_EQ(QFileInfo::exists(bannerFile), !row.banner || !row.fetched)
            << "a fetched banner is deleted once read; a failed fetch leaves what was there";
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
