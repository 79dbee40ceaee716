// The download window on its own and with a scripted transfer: its load, ShortenPath, the lines it
// shows in the middle of a download, cancelling by button, Esc and close box, and answers a real
// server cannot give.

#include "TransferDouble.h"
#include "WizardPlatform.h"

#include "app/frmDownload.h"
#include "app/frmWelcome.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>
#include <gtest/gtest.h>

using testing_support::TransferDouble;

const QString kCancelQuestion = QStringLiteral("Are you sure you want to cancel this operation?");

namespace {

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override { platform::install(&factory); }
    void TearDown() override
    {
        platform::install(static_cast<platform::HttpTransferFactory *>(nullptr));
    }

    QString destination() const
    {
        return test.workingFolder() + QStringLiteral("/KovaraNorvessia_APROM.hex");
    }
    bool download()
    {
        return Forms::frmDownload().DownloadFile(
            QStringLiteral("http://downloads.test/a/u.hex"), destination(), {}, {});
    }
    static TransferDouble::Answer answer(const QString &head, std::deque<QByteArray> chunks = {})
    {
        TransferDouble::Answer a;
        a.headerText = head;
        a.chunks = std::move(chunks);
        return a;
    }
    // 4 KB in four chunks.
    void fourChunks()
    {
        transfer.answers.push_back(
            answer(QStringLiteral("HTTP/1.1 200 OK\r\nContent-Length: 4096\r\n\r\n"),
                   {QByteArray(1024, 'a'),
                    QByteArray(1024, 'b'),
                    QByteArray(1024, 'c'),
                    QByteArray(1024, 'd')}));
    }
    // An 8 KB file whose first answer breaks off after 6,000 bytes; the resume asks from 1904.
    static const QString &partHead()
    {
        static const QString head
            = QStringLiteral("HTTP/1.1 206 Partial Content\r\nContent-Length: 8192\r\n"
                             "ETag: \"v1\"\r\nContent-Range: bytes 0-8191/8192\r\n\r\n");
        return head;
    }
    static TransferDouble::Answer brokenPart()
    {
        auto first = answer(partHead(), {QByteArray(6000, 'x')});
        first.endsWith = platform::HttpTransfer::BodyBroken;
        return first;
    }

    testing_support::WizardPlatform test;
    testing_support::DoubleFactory factory;
    TransferDouble &transfer = factory.transfer();
};

TEST_F(WindowTest, LoadsOffScreen)
{
    frmDownload &form = Forms::frmDownload();
    form.Load();
    EXPECT_EQ(form.Caption(), QStringLiteral("Downloading....."));
    EXPECT_TRUE(form.AskAgain);
    EXPECT_EQ(form.window()->pos(), QPoint(-453, -265));
}

TEST_F(WindowTest, ShortenPathKeepsBothEndsAroundDots)
{
    QLabel &label = *Forms::frmDownload().ToLabel;
    const QFontMetrics metrics(label.font());
    const QString fits = QStringLiteral("short.hex");
    EXPECT_EQ(ShortenPath(&label, fits), fits);

    const QString sixty = QStringLiteral("/home/someone/.local/share/KovaraScale/updates/")
        + QStringLiteral("APROM_v2.hex");
    ASSERT_EQ(sixty.size(), 59);
    const QString path = sixty + QLatin1Char('x');
    // Narrow enough that the whole path does not fit, wide enough for 28 + "..." + 28.
    const QString expected = path.left(28) + QStringLiteral("...") + path.right(28);
    label.setFixedWidth(metrics.horizontalAdvance(expected) + 1);
    ASSERT_GT(metrics.horizontalAdvance(path), label.width());
    EXPECT_EQ(ShortenPath(&label, path), expected);

    label.setFixedWidth(1);
    EXPECT_EQ(ShortenPath(&label, QStringLiteral("elevenchars")), QStringLiteral("elevenchars"));
    EXPECT_EQ(ShortenPath(&label, QStringLiteral("twelve_chars")), QStringLiteral("twel...hars"));
    // Whatever the width, the shortest form keeps four characters on each side.
    EXPECT_EQ(ShortenPath(&label, path), path.left(4) + QStringLiteral("...") + path.right(4));
}

TEST_F(WindowTest, LinesInTheMiddleOfADownload)
{
    // 10 KB in chunks; after 4.5 KB (45 %) the clock has run two seconds since the start.
    auto a = answer(QStringLiteral("HTTP/1.1 206 Partial Content\r\nContent-Length: 10240\r\n"
                                   "Content-Range: bytes 0-10239/10240\r\n\r\n"),
                    {QByteArray(1024, 'a'),
                     QByteArray(1024, 'b'),
                     QByteArray(1024, 'c'),
                     QByteArray(1024, 'd'),
                     QByteArray(512, 'e'),
                     QByteArray(5632, 'f')});
    transfer.answers.push_back(a);
    QString caption, time, rate, source, to, status;
    transfer.beforeChunk = [&](int handedOut) {
        frmDownload &form = Forms::frmDownload();
        if (handedOut == 4)
            test.clock.advance(1000);
        if (handedOut == 5) {
            caption = form.Caption();
            time = form.TimeLabel.peek()->text();
            rate = form.RateLabel.peek()->text();
            source = form.SourceLabel.peek()->text();
            to = form.ToLabel.peek()->text();
            status = form.StatusLabel.peek()->text();
        }
    };
    EXPECT_TRUE(download());
    EXPECT_EQ(caption, QStringLiteral("45% of KovaraNorvessia_APROM.hex Completed"));
    EXPECT_EQ(rate, QStringLiteral("2.3 KB/Sec"));
    EXPECT_EQ(time, QStringLiteral("2 sec (5 KB of 10 KB copied)"));
    EXPECT_EQ(source, QStringLiteral("u.hex from downloads.test"));
    EXPECT_EQ(status, QStringLiteral("Saving:"));
    EXPECT_TRUE(destination().endsWith(to.section(QStringLiteral("..."), -1)));
    EXPECT_EQ(transfer.requests, QStringList({QStringLiteral("Range: bytes=0-\r\n")}));
}

TEST_F(WindowTest, FirstEmptyChunkIsABrokenTransferNotADiskError)
{
    auto a = answer(QStringLiteral("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n"));
    a.endsWith = platform::HttpTransfer::BodyBroken;
    transfer.answers.push_back(a);
    test.dialogs.answer(platform::mb::Cancel);
    EXPECT_FALSE(download());
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_EQ(test.dialogs.boxes().front().title, QStringLiteral("Download Incomplete"));
    EXPECT_TRUE(test.dialogs.boxes().front().text.contains(
        QStringLiteral("(Approximate time remaining: 0 sec)")));
    EXPECT_FALSE(QFileInfo::exists(destination()));
}

TEST_F(WindowTest, OneByteChunksDoNotEndTheBody)
{
    std::deque<QByteArray> chunks;
    for (int i = 0; i < 10; ++i)
        chunks.push_back(QByteArray(1, char('0' + i)));
    transfer.answers.push_back(
        answer(QStringLiteral("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n"), chunks));
    EXPECT_TRUE(download());
    EXPECT_EQ(testing_support::readFile(destination()), QByteArray("0123456789"));
}

TEST_F(WindowTest, OddHeaderBlocks)
{
    // A header block without CR has no first line to show.
    transfer.answers.push_back(answer(QStringLiteral("garbage")));
    test.dialogs.answer(platform::mb::OK);
    EXPECT_FALSE(download());
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_EQ(test.dialogs.boxes().back().text,
              QStringLiteral("The server returned the following response:\r\r<nothing>"));

    // Eleven characters ending in CR LF put CR LF where the code belongs: no connection.
    transfer.answers.push_back(answer(QStringLiteral("HTTP/1.1 \r\n")));
    test.dialogs.answer(platform::mb::OK);
    EXPECT_FALSE(download());
    ASSERT_EQ(test.dialogs.boxes().size(), 2u);
    EXPECT_EQ(test.dialogs.boxes().back().title, QStringLiteral("Cannot Establish Connection"));
    EXPECT_TRUE(Forms::frmDownload().CancelSearch);
}

TEST_F(WindowTest, PartStartingElsewhereOnResumeIsTreatedAsARestart)
{
    // The resume asks from 1904 but the part starts at 0.
    transfer.answers = {brokenPart(),
                        answer(partHead(), {QByteArray(8192, 'y')}),
                        answer(partHead(), {QByteArray(8192, 'z')})};
    test.dialogs.answer(platform::mb::Retry);
    test.dialogs.answer(platform::mb::Yes);
    EXPECT_TRUE(download());
    EXPECT_EQ(transfer.requests,
              QStringList({QStringLiteral("Range: bytes=0-\r\n"),
                           QStringLiteral("Range: bytes=1904-\r\nIf-Range: \"v1\"\r\n"),
                           QStringLiteral("Range: bytes=0-\r\n")}));
    EXPECT_EQ(testing_support::readFile(destination()), QByteArray(8192, 'z'));
}

// Cancel button, Esc and close box each ask; No goes on with the download, and the clip plays on
// after the question.
TEST_F(WindowTest, CancelAnsweredNoGoesOn)
{
    fourChunks();
    frmDownload &form = Forms::frmDownload();
    QList<bool> playingAtQuestion, playingAfter, loadedAfter;
    const auto playing = [&form] {
        const auto *clip = form.Animation1.peek();
        return clip && clip->isPlaying();
    };
    test.dialogs.onBox(
        [&](const testing_support::ScriptedDialogs::Box &) { playingAtQuestion << playing(); });
    transfer.beforeChunk = [&](int handedOut) {
        if (handedOut == 1) {
            form.CancelButton_Click();
        } else if (handedOut == 2) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(form.window(), &esc);
        } else if (handedOut == 3) {
            form.window()->close();
        } else {
            return;
        }
        playingAfter << playing();
        loadedAfter << form.isLoaded();
    };
    for (int i = 0; i < 3; ++i)
        test.dialogs.answer(platform::mb::No);
    EXPECT_TRUE(download());
    EXPECT_FALSE(form.CancelSearch);
    EXPECT_EQ(test.dialogs.texts(), QStringList(3, kCancelQuestion));
    EXPECT_EQ(test.dialogs.boxes().front().buttons | test.dialogs.boxes().front().icon,
              platform::mb::YesNo | platform::mb::Question);
    ASSERT_EQ(playingAtQuestion.size(), 3);
    EXPECT_EQ(playingAtQuestion.mid(0, 2), QList<bool>(2, false)) << "button and Esc stop the clip";
    EXPECT_EQ(playingAfter, QList<bool>(3, true));
    EXPECT_EQ(loadedAfter, QList<bool>(3, true));
    EXPECT_EQ(testing_support::readFile(destination()).size(), 4096);
}

// Yes ends the download at once: no second question, the window not loaded again, no file. (That
// the close box enables the link window again is in the wizard's tests.)
TEST_F(WindowTest, ConfirmedCancelEndsTheDownload)
{
    frmDownload &form = Forms::frmDownload();
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel button");
        test.dialogs.clear();
        fourChunks();
        QString status;
        int asked = 0;
        transfer.beforeChunk = [&](int handedOut) {
            asked = handedOut + 1;
            if (handedOut != 1)
                return;
            QPointer<QLabel> label = form.StatusLabel.peek();
            if (closeBox)
                form.window()->close();
            else
                form.CancelButton_Click();
            if (label)
                status = label->text();
        };
        test.dialogs.answer(platform::mb::Yes);
        EXPECT_FALSE(download());
        EXPECT_TRUE(form.CancelSearch);
        EXPECT_EQ(status, QStringLiteral("Cancelling..."));
        EXPECT_EQ(asked, 2) << "the body is not read on after the cancel";
        EXPECT_EQ(test.dialogs.boxes().size(), 1u);
        EXPECT_EQ(form.loadCount(), closeBox ? 2 : 1) << "one load a download";
        EXPECT_FALSE(form.isLoaded());
        EXPECT_FALSE(QFileInfo::exists(destination()));
    }
}

TEST_F(WindowTest, DiskFullOnAResumeOffersTheRetryAgain)
{
    testing_support::FixedSpace space(1e9);
    const auto second = answer(QStringLiteral("HTTP/1.1 206 Partial Content\r\n"
                                              "Content-Range: bytes 1904-8191/8192\r\n\r\n"));
    transfer.answers = {brokenPart(), second};
    test.dialogs.onBox([&](const testing_support::ScriptedDialogs::Box &box) {
        if (box.title == QStringLiteral("Download Incomplete"))
            space.free = 100; // the disk filled up meanwhile
    });
    test.dialogs.answer(platform::mb::Retry);
    test.dialogs.answer(platform::mb::OK);
    test.dialogs.answer(platform::mb::Cancel);
    EXPECT_FALSE(download());
    ASSERT_EQ(test.dialogs.boxes().size(), 3u);
    const QStringList titles = {test.dialogs.boxes()[0].title,
                                test.dialogs.boxes()[1].title,
                                test.dialogs.boxes()[2].title};
    EXPECT_EQ(titles,
              QStringList({QStringLiteral("Download Incomplete"),
                           QStringLiteral("Insufficient Disk Space"),
                           QStringLiteral("Download Incomplete")}));
    EXPECT_FALSE(QFileInfo::exists(destination()));
}

} // namespace
