// DownloadFile through the download window against the maker server tool on loopback: fresh
// downloads, breaks and resumes, refusals with their messages, the disk check, bodies without a
// length, and cancelling. The user's answers are scripted.

#include "LoggedServer.h"
#include "TestPlatform.h"

#include "app/frmCheckScale.h"
#include "app/frmWelcome.h"
#include "download/frmDownload.h"
#include "platform/DiskSpace.h"
#include "platform/Services.h"

#include <sys/resource.h>

#include <csignal>

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

using platform::mb::Critical;
using platform::mb::Exclamation;
using platform::mb::Information;
using platform::mb::OKOnly;
using platform::mb::Question;
using platform::mb::RetryCancel;
using platform::mb::YesNo;
using testing_support::patternBytes;
using testing_support::readFile;

namespace {

class FixedSpace final : public platform::DiskSpace
{
public:
    double free = 0;
    double freeBytes(const QString &) override { return free; }
};

// Real transfers that give up quickly, for servers that never answer or stop sending.
class ShortTimeouts final : public platform::HttpTransferFactory
{
public:
    std::unique_ptr<platform::HttpTransfer> create() override
    {
        return std::make_unique<platform::QtHttpTransfer>(300, 300);
    }
};

class DownloadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Real sockets need real time.
        platform::install(&realClock);
        ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
        server.put(QStringLiteral("update.hex"), content);
    }
    void TearDown() override
    {
        platform::install(static_cast<platform::DiskSpace *>(nullptr));
        platform::install(static_cast<platform::HttpTransferFactory *>(nullptr));
    }

    bool download(const QString &path)
    {
        return Forms::frmDownload().DownloadFile(server.url() + path, destination(), {}, {});
    }
    QString destination() const
    {
        return test.workingFolder() + QStringLiteral("/KovaraNorvessia_APROM.hex");
    }
    bool cancelled() const { return Forms::frmDownload().CancelSearch; }
    QStringList ranges()
    {
        QStringList out;
        for (const QString &line : server.requests())
            out << line.section(QLatin1Char(' '), 2);
        return out;
    }
    void expectOneBox(const QString &text, int style, const QString &title)
    {
        ASSERT_EQ(test.dialogs.boxes().size(), 1u)
            << test.dialogs.texts().join(" | ").toStdString();
        const auto &box = test.dialogs.boxes().front();
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.buttons | box.icon, style);
        EXPECT_EQ(box.title, title);
    }

    platform::SystemClock realClock;
    testing_support::TestPlatform test;
    testing_support::LoggedServer server;
    const QByteArray content = patternBytes(50000);
};

TEST_F(DownloadTest, FreshDownloadAsksFromZeroAndAcceptsPartialAndWholeAnswers)
{
    EXPECT_TRUE(download(QStringLiteral("/files/update.hex")));
    EXPECT_FALSE(cancelled());
    EXPECT_EQ(readFile(destination()), content);
    // A server that ignores the range of a fresh download is fine too.
    EXPECT_TRUE(download(QStringLiteral("/fault/ignore-range/update.hex")));
    EXPECT_EQ(readFile(destination()), content);
    EXPECT_EQ(ranges(),
              QStringList({QStringLiteral("Range: bytes=0-"), QStringLiteral("Range: bytes=0-")}));
    EXPECT_TRUE(test.dialogs.boxes().empty());
    EXPECT_FALSE(Forms::frmDownload().isLoaded()) << "the window closes at the end";
}

TEST_F(DownloadTest, BreakThenRetryResumesFourKilobytesEarlierAndCompletes)
{
    test.dialogs.answer(platform::mb::Retry);
    EXPECT_TRUE(download(QStringLiteral("/fault/reset/10000/update.hex")));
    EXPECT_FALSE(cancelled());
    EXPECT_EQ(readFile(destination()), content);
    // Qt's network stack may send the first request once more by itself when the connection
    // drops; every request but the last asks from 0, the last resumes.
    const QStringList asked = ranges();
    ASSERT_GE(asked.size(), 2) << asked.join(QStringLiteral(" | ")).toStdString();
    for (qsizetype i = 0; i + 1 < asked.size(); ++i)
        EXPECT_EQ(asked[i], QStringLiteral("Range: bytes=0-"));
    // The resume names the version of the file it continues.
    EXPECT_TRUE(asked.last().startsWith(QStringLiteral("Range: bytes=5904- If-Range: \"")))
        << asked.last().toStdString();
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    const auto &box = test.dialogs.boxes().front();
    EXPECT_EQ(box.title, QStringLiteral("Download Incomplete"));
    EXPECT_EQ(box.buttons | box.icon, RetryCancel | Exclamation);
    EXPECT_TRUE(box.text.startsWith(QStringLiteral(
        "The connection with the server was reset.\r\rClick \"Retry\" to resume downloading the "
        "file.\r(Approximate time remaining: ")));
    EXPECT_TRUE(
        box.text.endsWith(QStringLiteral(")\r\rClick \"Cancel\" to cancel downloading the file.")));
}

TEST_F(DownloadTest, BreakBelowFourKilobytesRestartsFromZeroAndCancelLeavesNoFile)
{
    test.dialogs.answer(platform::mb::Retry);
    test.dialogs.answer(platform::mb::Cancel);
    EXPECT_FALSE(download(QStringLiteral("/fault/reset/3000/update.hex")));
    EXPECT_TRUE(cancelled());
    EXPECT_FALSE(QFileInfo::exists(destination()));
    const QStringList asked = ranges();
    EXPECT_GE(asked.size(), 2);
    for (const QString &range : asked)
        EXPECT_EQ(range, QStringLiteral("Range: bytes=0-"));
}

TEST_F(DownloadTest, ServerIgnoringTheRangeOnResumeDeletesThePartAndAsks)
{
    const QString path = QStringLiteral("/fault/ignore-range/update.hex?reset=10000");
    bool fileGoneAtQuestion = false;
    test.dialogs.onBox([&](const testing_support::ScriptedDialogs::Box &box) {
        if (box.title == QStringLiteral("Unable to Resume Download"))
            fileGoneAtQuestion = !QFileInfo::exists(destination());
    });
    test.dialogs.answer(platform::mb::Retry);
    test.dialogs.answer(platform::mb::Yes);
    EXPECT_TRUE(download(path));
    EXPECT_FALSE(cancelled());
    EXPECT_TRUE(fileGoneAtQuestion);
    EXPECT_EQ(readFile(destination()), content);
    ASSERT_EQ(test.dialogs.boxes().size(), 2u);
    const auto &question = test.dialogs.boxes()[1];
    EXPECT_EQ(question.text,
              QStringLiteral("The server is unable to resume this download.\r\r"
                             "Do you want to continue anyway?"));
    EXPECT_EQ(question.buttons | question.icon, YesNo | Exclamation);
}

TEST_F(DownloadTest, NoToTheResumeQuestionFails)
{
    test.dialogs.answer(platform::mb::Retry);
    test.dialogs.answer(platform::mb::No);
    EXPECT_FALSE(download(QStringLiteral("/fault/ignore-range/update.hex?reset=10000")));
    EXPECT_TRUE(cancelled());
    EXPECT_FALSE(QFileInfo::exists(destination()));
}

TEST_F(DownloadTest, FileChangedOnTheServerIsNotSplicedOntoTheOldPart)
{
    // The first answer breaks off; before the retry the file on the server changes.
    const QByteArray changed = patternBytes(50000, 7);
    test.dialogs.onBox([&](const testing_support::ScriptedDialogs::Box &box) {
        if (box.title == QStringLiteral("Download Incomplete")) {
            QFile::remove(server.folder() + QStringLiteral("/update.hex"));
            server.put(QStringLiteral("update.hex"), changed);
        }
    });
    test.dialogs.answer(platform::mb::Retry);
    test.dialogs.answer(platform::mb::Yes);
    EXPECT_TRUE(download(QStringLiteral("/files/update.hex?reset=10000")));
    EXPECT_EQ(readFile(destination()), changed);
    ASSERT_EQ(test.dialogs.boxes().size(), 2u);
    EXPECT_EQ(test.dialogs.boxes()[1].title, QStringLiteral("Unable to Resume Download"));
}

TEST_F(DownloadTest, RefusalsShowTheirMessageAndFail)
{
    struct Case
    {
        QString path;
        QString text;
        int style;
        QString title;
    };
    const QString missing = server.url() + QStringLiteral("/fault/404/update.hex");
    const std::vector<Case> cases = {
        {QStringLiteral("/fault/204/update.hex"),
         QStringLiteral("Nothing to download!"),
         OKOnly | Information,
         QStringLiteral("No Content")},
        {QStringLiteral("/fault/401/update.hex"),
         QStringLiteral("Authorization failed!"),
         OKOnly | Critical,
         QStringLiteral("Unauthorized")},
        {QStringLiteral("/fault/404/update.hex"),
         QStringLiteral("The file, \"") + missing + QStringLiteral("\" was not found!"),
         OKOnly | Critical,
         QStringLiteral("File Not Found")},
        {QStringLiteral("/fault/status/503/update.hex"),
         QStringLiteral("The server returned the following response:\r\r"
                        "HTTP/1.1 503 Service Unavailable\r"),
         OKOnly | Critical,
         QStringLiteral("Error Downloading File")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        test.dialogs.clear();
        test.dialogs.answer(platform::mb::OK);
        EXPECT_FALSE(download(c.path));
        EXPECT_TRUE(cancelled());
        expectOneBox(c.text, c.style, c.title);
        EXPECT_FALSE(QFileInfo::exists(destination()));
    }
}

TEST_F(DownloadTest, UnreachableServerSaysSo)
{
    QTcpServer reserve;
    ASSERT_TRUE(reserve.listen(QHostAddress::LocalHost));
    const quint16 port = reserve.serverPort();
    reserve.close();
    test.dialogs.answer(platform::mb::OK);
    EXPECT_FALSE(Forms::frmDownload().DownloadFile(
        QStringLiteral("http://127.0.0.1:%1/files/update.hex").arg(port), destination(), {}, {}));
    EXPECT_TRUE(cancelled());
    expectOneBox(QStringLiteral("Cannot establish connection.\r\r"
                                "Check your Internet connection and try again."),
                 OKOnly | Exclamation,
                 QStringLiteral("Cannot Establish Connection"));
}

TEST_F(DownloadTest, DiskCheckComparesFreeSpaceWithTheLength)
{
    FixedSpace space;
    platform::install(&space);
    space.free = content.size();
    EXPECT_TRUE(download(QStringLiteral("/files/update.hex")));
    EXPECT_TRUE(test.dialogs.boxes().empty());

    space.free = content.size() - 1;
    test.dialogs.answer(platform::mb::OK);
    EXPECT_FALSE(download(QStringLiteral("/files/update.hex")));
    EXPECT_TRUE(cancelled());
    expectOneBox(QStringLiteral("There is not enough free space on disk for this file.\r\r"
                                "Please free up some disk space and try again."),
                 OKOnly | Critical,
                 QStringLiteral("Insufficient Disk Space"));
    EXPECT_FALSE(QFileInfo::exists(destination()));
}

TEST_F(DownloadTest, RelativeDestinationSkipsTheDiskCheck)
{
    FixedSpace space; // nothing free: only a skipped check lets the download through
    platform::install(&space);
    const QString before = QDir::currentPath();
    QDir::setCurrent(test.workingFolder());
    const bool result = Forms::frmDownload().DownloadFile(
        server.url() + QStringLiteral("/files/update.hex"), QStringLiteral("relative.hex"), {}, {});
    const QByteArray written = readFile(QStringLiteral("relative.hex"));
    QDir::setCurrent(before);
    EXPECT_TRUE(result);
    EXPECT_EQ(written, content);
}

TEST_F(DownloadTest, BodyWithoutLengthIsReadToItsEnd)
{
    EXPECT_TRUE(download(QStringLiteral("/fault/no-length/update.hex")));
    EXPECT_FALSE(cancelled());
    EXPECT_EQ(readFile(destination()), content);
}

TEST_F(DownloadTest, BodyWithoutLengthThatBreaksOffIsIncomplete)
{
    test.dialogs.answer(platform::mb::Cancel);
    EXPECT_FALSE(download(QStringLiteral("/fault/no-length/update.hex?reset=10000&cuts=9")));
    ASSERT_EQ(test.dialogs.boxes().size(), 1u)
        << ranges().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(test.dialogs.boxes().front().title, QStringLiteral("Download Incomplete"));
    EXPECT_FALSE(QFileInfo::exists(destination()));
    EXPECT_EQ(ranges().size(), 1) << "a dropped connection is not asked again behind our back";
}

TEST_F(DownloadTest, EmptyFileFails)
{
    server.put(QStringLiteral("empty.hex"), QByteArray());
    for (const QString &path : {QStringLiteral("/fault/ignore-range/empty.hex"),
                                QStringLiteral("/fault/no-length/empty.hex")}) {
        SCOPED_TRACE(path.toStdString());
        test.dialogs.clear();
        test.dialogs.answer(platform::mb::OK);
        EXPECT_FALSE(download(path));
        EXPECT_TRUE(cancelled());
        expectOneBox(QStringLiteral("Nothing to download!"),
                     OKOnly | Information,
                     QStringLiteral("No Content"));
        EXPECT_FALSE(QFileInfo::exists(destination()));
    }
}

TEST_F(DownloadTest, StaleLongerFileIsReplacedWhole)
{
    test.touchWorkingFile(QStringLiteral("\\KovaraNorvessia_APROM.hex"), patternBytes(300000, 3));
    EXPECT_TRUE(download(QStringLiteral("/files/update.hex")));
    EXPECT_EQ(readFile(destination()), content);
}

TEST_F(DownloadTest, CancelWhileTheRequestWaitsEndsWithoutAQuestion)
{
    QTcpServer silent; // accepts and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    QList<QTcpSocket *> held;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *s = silent.nextPendingConnection())
            held << s;
    });
    test.dialogs.answer(platform::mb::Yes);
    QTimer::singleShot(300, [] { Forms::frmDownload().CancelButton_Click(); });
    EXPECT_FALSE(Forms::frmDownload().DownloadFile(
        QStringLiteral("http://127.0.0.1:%1/update.hex").arg(silent.serverPort()),
        destination(),
        {},
        {}));
    EXPECT_TRUE(cancelled());
    expectOneBox(QStringLiteral("Are you sure you want to cancel this operation?"),
                 YesNo | Question,
                 QStringLiteral("Kovara Norvessia PC Program"));
    EXPECT_FALSE(QFileInfo::exists(destination()));
}

TEST_F(DownloadTest, CancelThenNoGoesOn)
{
    bool stoppedDuringQuestion = false;
    test.dialogs.onBox([&](const testing_support::ScriptedDialogs::Box &) {
        stoppedDuringQuestion = !Forms::frmDownload().Animation1.peek()->isPlaying();
    });
    test.dialogs.answer(platform::mb::No);
    bool playingAfter = false;
    QTimer::singleShot(200, [&] {
        Forms::frmDownload().CancelButton_Click();
        playingAfter = Forms::frmDownload().Animation1.peek()->isPlaying();
    });
    EXPECT_TRUE(download(QStringLiteral("/fault/slow/update.hex?bps=40000")));
    EXPECT_FALSE(cancelled());
    EXPECT_TRUE(stoppedDuringQuestion);
    EXPECT_TRUE(playingAfter);
    EXPECT_EQ(readFile(destination()), content);
    EXPECT_EQ(test.dialogs.boxes().size(), 1u);
}

TEST_F(DownloadTest, CancelThenYesClosesTheWindowWithoutASecondQuestion)
{
    test.dialogs.answer(platform::mb::Yes);
    QString statusAfterYes;
    QTimer::singleShot(200, [&] {
        QPointer<QLabel> status = Forms::frmDownload().StatusLabel.peek();
        Forms::frmDownload().CancelButton_Click();
        if (status)
            statusAfterYes = status->text();
    });
    EXPECT_FALSE(download(QStringLiteral("/fault/slow/update.hex?bps=50000")));
    EXPECT_TRUE(cancelled());
    EXPECT_EQ(statusAfterYes, QStringLiteral("Cancelling..."));
    EXPECT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_FALSE(Forms::frmDownload().isLoaded());
    EXPECT_FALSE(QFileInfo::exists(destination()));
}

TEST_F(DownloadTest, CloseBoxAsksAndYesEnablesTheLinkScreenAgain)
{
    Forms::frmCheckScale().Load();
    Forms::frmCheckScale().setEnabled(false);
    test.dialogs.answer(platform::mb::No);
    test.dialogs.answer(platform::mb::Yes);
    bool keptAfterNo = false;
    QTimer::singleShot(150, [&] {
        Forms::frmDownload().window()->close();
        keptAfterNo = Forms::frmDownload().isLoaded();
    });
    QTimer::singleShot(300, [&] { Forms::frmDownload().window()->close(); });
    EXPECT_FALSE(download(QStringLiteral("/fault/slow/update.hex?bps=50000")));
    EXPECT_TRUE(keptAfterNo);
    EXPECT_TRUE(cancelled());
    EXPECT_EQ(test.dialogs.boxes().size(), 2u);
    EXPECT_TRUE(Forms::frmCheckScale().Enabled());
    EXPECT_FALSE(Forms::frmDownload().isLoaded());
}

TEST_F(DownloadTest, HiddenWhileTheMainWindowAsksForIt)
{
    Forms::frmWelcome().HideForm = true;
    bool everVisible = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        everVisible = everVisible || Forms::frmDownload().isVisible();
    });
    probe.start(20);
    EXPECT_TRUE(download(QStringLiteral("/fault/slow/update.hex?bps=200000")));
    EXPECT_FALSE(everVisible);
}

TEST_F(DownloadTest, WriteFailureSaysSoAndFails)
{
    // The destination's folder is a file: nothing can be written there.
    test.touchWorkingFile(QStringLiteral("\\blocked"), "x");
    test.dialogs.answer(platform::mb::OK);
    EXPECT_FALSE(Forms::frmDownload().DownloadFile(
        server.url() + QStringLiteral("/files/update.hex"),
        test.workingFolder() + QStringLiteral("/blocked/update.hex"),
        {},
        {}));
    EXPECT_TRUE(cancelled());
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_EQ(test.dialogs.boxes().front().text,
              QStringLiteral("Cannot write file to disk.\r\rError 20: Not a directory"));
    EXPECT_EQ(test.dialogs.boxes().front().title, QStringLiteral("Error Downloading File"));
}

TEST_F(DownloadTest, ServerThatNeverAnswersTimesOutAsNoConnection)
{
    ShortTimeouts factory;
    platform::install(&factory);
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    QList<QTcpSocket *> held;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *s = silent.nextPendingConnection())
            held << s;
    });
    test.dialogs.answer(platform::mb::OK);
    EXPECT_FALSE(Forms::frmDownload().DownloadFile(
        QStringLiteral("http://127.0.0.1:%1/update.hex").arg(silent.serverPort()),
        destination(),
        {},
        {}));
    EXPECT_TRUE(cancelled());
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_EQ(test.dialogs.boxes().front().title, QStringLiteral("Cannot Establish Connection"));
}

TEST_F(DownloadTest, BodyThatStopsComingIsIncomplete)
{
    ShortTimeouts factory;
    platform::install(&factory);
    // Promises 50,000 bytes, sends 5,000 and falls silent with the connection open.
    QTcpServer stalls;
    ASSERT_TRUE(stalls.listen(QHostAddress::LocalHost));
    QList<QTcpSocket *> held;
    QObject::connect(&stalls, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *s = stalls.nextPendingConnection()) {
            held << s;
            QObject::connect(s, &QTcpSocket::readyRead, s, [s] {
                if (s->readAll().contains("\r\n\r\n"))
                    s->write("HTTP/1.1 200 OK\r\nContent-Length: 50000\r\n\r\n"
                             + QByteArray(5000, 'x'));
            });
        }
    });
    test.dialogs.answer(platform::mb::Cancel);
    EXPECT_FALSE(Forms::frmDownload().DownloadFile(
        QStringLiteral("http://127.0.0.1:%1/update.hex").arg(stalls.serverPort()),
        destination(),
        {},
        {}));
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_EQ(test.dialogs.boxes().front().title, QStringLiteral("Download Incomplete"));
    EXPECT_FALSE(QFileInfo::exists(destination()));
}

TEST_F(DownloadTest, WriteFailingMidBodySaysSoAndLeavesNoFile)
{
    // Files of this process may not grow past 20,000 bytes: the disk "fills up" mid-download.
    rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    test.dialogs.answer(platform::mb::OK);
    const bool result = download(QStringLiteral("/files/update.hex"));
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(result);
    EXPECT_TRUE(cancelled());
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_TRUE(test.dialogs.boxes().front().text.startsWith(
        QStringLiteral("Cannot write file to disk.\r\rError 27: File too large")))
        << test.dialogs.boxes().front().text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(destination()));
}

} // namespace
