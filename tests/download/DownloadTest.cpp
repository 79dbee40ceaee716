// DownloadFile through the download window against the maker server tool and hand-made servers
// on loopback: fresh downloads, breaks and resumes, refusals with their messages, the disk check,
// bodies without a length or that stop coming, a full disk, and a cancel while the request waits.
// The user's answers are scripted; the window's own handling is in WindowTest.

#include "LoggedServer.h"
#include "TransferDouble.h"
#include "WizardPlatform.h"

#include "app/frmDownload.h"
#include "platform/Services.h"

#include <sys/resource.h>

#include <csignal>

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <gtest/gtest.h>

using platform::mb::Critical;
using platform::mb::Exclamation;
using platform::mb::Information;
using platform::mb::OKOnly;
using platform::mb::Question;
using platform::mb::RetryCancel;
using platform::mb::YesNo;
using testing_support::FixedSpace;
using testing_support::patternBytes;
using testing_support::readFile;
using testing_support::ScriptedSocketServer;

namespace {

// Real transfers that give up within seconds, for servers that never answer or stop sending.
// Installed before the window's first download: the window keeps its transfer.
class ShortTimeouts final : public platform::HttpTransferFactory
{
public:
    ShortTimeouts() { platform::install(this); }
    std::unique_ptr<platform::HttpTransfer> create() override
    {
        return std::make_unique<platform::QtHttpTransfer>(2000, 2000);
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
        platform::install(static_cast<platform::HttpTransferFactory *>(nullptr));
    }

    // A path on the maker server, or a whole address.
    bool download(const QString &path, const QString &to = {})
    {
        const QString url = path.startsWith(QLatin1Char('/')) ? server.url() + path : path;
        return Forms::frmDownload().DownloadFile(url, to.isEmpty() ? destination() : to, {}, {});
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
    testing_support::WizardPlatform test;
    testing_support::LoggedServer server;
    const QByteArray content = patternBytes(50000);
};

TEST_F(DownloadTest, WholeFileArrivesAskedFromZeroAndReplacesAStaleLongerOne)
{
    // A server that ignores the range of a fresh download, or sends no length, is fine too.
    for (const QString &path : {QStringLiteral("/files/update.hex"),
                                QStringLiteral("/fault/ignore-range/update.hex"),
                                QStringLiteral("/fault/no-length/update.hex")}) {
        SCOPED_TRACE(path.toStdString());
        test.touchWorkingFile(QStringLiteral("\\KovaraNorvessia_APROM.hex"),
                              patternBytes(300000, 3));
        EXPECT_TRUE(download(path));
        EXPECT_FALSE(cancelled());
        EXPECT_EQ(readFile(destination()), content);
        EXPECT_FALSE(Forms::frmDownload().isLoaded()) << "the window closes at the end";
    }
    EXPECT_EQ(ranges(), QStringList(3, QStringLiteral("Range: bytes=0-")));
    EXPECT_TRUE(test.dialogs.boxes().empty());
}

// The resume asks from four kilobytes before the end of what is on disk, also when the partial
// file was cut shorter while the question was open.
TEST_F(DownloadTest, BreakThenRetryResumesFourKilobytesEarlierAndCompletes)
{
    for (const auto &[cutTo, from] : {std::pair {-1, "5904"}, std::pair {7000, "2904"}}) {
        SCOPED_TRACE(cutTo);
        test.dialogs.clear();
        const qsizetype before = ranges().size();
        test.dialogs.onBox([&, cutTo = cutTo](const auto &) {
            if (cutTo >= 0)
                QFile::resize(destination(), cutTo);
        });
        test.dialogs.answer(platform::mb::Retry);
        EXPECT_TRUE(download(QStringLiteral("/fault/reset/10000/update.hex")));
        EXPECT_FALSE(cancelled());
        EXPECT_EQ(readFile(destination()), content);
        // Qt's network stack may send the first request once more by itself when the connection
        // drops; every request but the last asks from 0, the last resumes.
        const QStringList asked = ranges().mid(before);
        ASSERT_GE(asked.size(), 2) << asked.join(QStringLiteral(" | ")).toStdString();
        for (qsizetype i = 0; i + 1 < asked.size(); ++i)
            EXPECT_EQ(asked[i], QStringLiteral("Range: bytes=0-"));
        // The resume names the version of the file it continues.
        EXPECT_TRUE(asked.last().startsWith(
            QStringLiteral("Range: bytes=%1- If-Range: \"").arg(QLatin1String(from))))
            << asked.last().toStdString();
        ASSERT_EQ(test.dialogs.boxes().size(), 1u);
        EXPECT_EQ(test.dialogs.boxes().front().title, QStringLiteral("Download Incomplete"));
    }
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

// The resume is refused (the range ignored, or the file changed on the server before the retry):
// the part is deleted before the question, and Yes starts again, never splicing.
TEST_F(DownloadTest, ResumeRefusedAsksToStartAgain)
{
    const QByteArray changed = patternBytes(50000, 7);
    struct Case
    {
        const char *path;
        bool changeFile;
        int answer;
    };
    const Case cases[] = {
        {"/fault/ignore-range/update.hex?reset=10000", false, platform::mb::Yes},
        {"/fault/ignore-range/update.hex?reset=10000&again", false, platform::mb::No},
        {"/files/update.hex?reset=10000", true, platform::mb::Yes},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        test.dialogs.clear();
        bool fileGoneAtQuestion = false;
        test.dialogs.onBox([&](const testing_support::ScriptedDialogs::Box &box) {
            if (box.title == QStringLiteral("Unable to Resume Download"))
                fileGoneAtQuestion = !QFileInfo::exists(destination());
            if (c.changeFile && box.title == QStringLiteral("Download Incomplete")) {
                QFile::remove(server.folder() + QStringLiteral("/update.hex"));
                server.put(QStringLiteral("update.hex"), changed);
            }
        });
        test.dialogs.answer(platform::mb::Retry);
        test.dialogs.answer(c.answer);
        const bool yes = c.answer == platform::mb::Yes;
        EXPECT_EQ(download(QString::fromLatin1(c.path)), yes);
        EXPECT_EQ(cancelled(), !yes);
        EXPECT_TRUE(fileGoneAtQuestion);
        if (yes) {
            EXPECT_EQ(readFile(destination()), c.changeFile ? changed : content);
        } else {
            EXPECT_FALSE(QFileInfo::exists(destination()));
        }
        ASSERT_EQ(test.dialogs.boxes().size(), 2u);
        const auto &question = test.dialogs.boxes()[1];
        EXPECT_EQ(question.title, QStringLiteral("Unable to Resume Download"));
        EXPECT_EQ(question.text,
                  QStringLiteral("The server is unable to resume this download.\r\r"
                                 "Do you want to continue anyway?"));
        EXPECT_EQ(question.buttons | question.icon, YesNo | Exclamation);
    }
}

// Refusals, an empty file, no server, a silent server and a destination that cannot be written:
// one message, a failed download, no file.
TEST_F(DownloadTest, FailuresShowTheirMessageAndLeaveNoFile)
{
    server.put(QStringLiteral("empty.hex"), QByteArray());
    ScriptedSocketServer silent;
    test.touchWorkingFile(QStringLiteral("\\blocked"), "x"); // a file where a folder should be
    const QString blocked = test.workingFolder() + QStringLiteral("/blocked/update.hex");
    const QString noConnection = QStringLiteral("Cannot establish connection.\r\r"
                                                "Check your Internet connection and try again.");
    struct Case
    {
        QString path;
        QString text;
        int style;
        QString title;
        QString to = {}; // the default destination
    };
    const Case cases[] = {
        {QStringLiteral("/fault/204/update.hex"),
         QStringLiteral("Nothing to download!"),
         OKOnly | Information,
         QStringLiteral("No Content")},
        {QStringLiteral("/fault/401/update.hex"),
         QStringLiteral("Authorization failed!"),
         OKOnly | Critical,
         QStringLiteral("Unauthorized")},
        {QStringLiteral("/fault/404/update.hex"),
         QStringLiteral("The file, \"") + server.url()
             + QStringLiteral("/fault/404/update.hex\" was not found!"),
         OKOnly | Critical,
         QStringLiteral("File Not Found")},
        {QStringLiteral("/fault/status/503/update.hex"),
         QStringLiteral("The server returned the following response:\r\r"
                        "HTTP/1.1 503 Service Unavailable\r"),
         OKOnly | Critical,
         QStringLiteral("Error Downloading File")},
        {QStringLiteral("/fault/ignore-range/empty.hex"),
         QStringLiteral("Nothing to download!"),
         OKOnly | Information,
         QStringLiteral("No Content")},
        {QStringLiteral("/fault/no-length/empty.hex"),
         QStringLiteral("Nothing to download!"),
         OKOnly | Information,
         QStringLiteral("No Content")},
        {testing_support::closedPortUrl(),
         noConnection,
         OKOnly | Exclamation,
         QStringLiteral("Cannot Establish Connection")},
        // A server that never answers times out as no connection.
        {silent.url(),
         noConnection,
         OKOnly | Exclamation,
         QStringLiteral("Cannot Establish Connection")},
        {QStringLiteral("/files/update.hex"),
         QStringLiteral("Cannot write file to disk.\r\rError 20: Not a directory"),
         OKOnly | Critical,
         QStringLiteral("Error Downloading File"),
         blocked},
    };
    ShortTimeouts factory;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        test.dialogs.clear();
        test.dialogs.answer(platform::mb::OK);
        EXPECT_FALSE(download(c.path, c.to));
        EXPECT_TRUE(cancelled());
        expectOneBox(c.text, c.style, c.title);
        EXPECT_FALSE(QFileInfo::exists(c.to.isEmpty() ? destination() : c.to));
    }
}

// A body without a length that breaks off, and one that stops coming with the connection open.
TEST_F(DownloadTest, BodyBrokenOffIsIncomplete)
{
    ShortTimeouts factory;
    ScriptedSocketServer stalls {QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 50000\r\n\r\n")
                                 + QByteArray(5000, 'x')};
    for (const QString &path :
         {QStringLiteral("/fault/no-length/update.hex?reset=10000&cuts=9"), stalls.url()}) {
        SCOPED_TRACE(path.toStdString());
        test.dialogs.clear();
        test.dialogs.answer(platform::mb::Cancel);
        EXPECT_FALSE(download(path));
        ASSERT_EQ(test.dialogs.boxes().size(), 1u)
            << ranges().join(QStringLiteral(" | ")).toStdString();
        EXPECT_EQ(test.dialogs.boxes().front().title, QStringLiteral("Download Incomplete"));
        EXPECT_FALSE(QFileInfo::exists(destination()));
    }
    EXPECT_EQ(ranges().size(), 1) << "a dropped connection is not asked again behind our back";
}

TEST_F(DownloadTest, DiskCheckComparesFreeSpaceWithTheLengthOfAnAbsoluteDestination)
{
    FixedSpace space(content.size());
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

    // A relative destination skips the check: nothing is free, yet the download goes through.
    space.free = 0;
    const QString before = QDir::currentPath();
    QDir::setCurrent(test.workingFolder());
    const bool result
        = download(QStringLiteral("/files/update.hex"), QStringLiteral("relative.hex"));
    const QByteArray written = readFile(QStringLiteral("relative.hex"));
    QDir::setCurrent(before);
    EXPECT_TRUE(result);
    EXPECT_EQ(written, content);
}

TEST_F(DownloadTest, CancelWhileTheRequestWaitsEndsWithoutAQuestion)
{
    ScriptedSocketServer silent;
    test.dialogs.answer(platform::mb::Yes);
    QTimer::singleShot(300, [] { Forms::frmDownload().CancelButton_Click(); });
    EXPECT_FALSE(download(silent.url()));
    EXPECT_TRUE(cancelled());
    expectOneBox(QStringLiteral("Are you sure you want to cancel this operation?"),
                 YesNo | Question,
                 QStringLiteral("Kovara Norvessia PC Program"));
    EXPECT_FALSE(QFileInfo::exists(destination()));
}

// A click while the body comes in from a real server is heard (the window's own handling of the
// question is in WindowTest).
TEST_F(DownloadTest, CancelWhileTheBodyComesInIsHeard)
{
    test.dialogs.answer(platform::mb::Yes);
    QTimer::singleShot(200, [] { Forms::frmDownload().CancelButton_Click(); });
    EXPECT_FALSE(download(QStringLiteral("/fault/slow/update.hex?bps=50000")));
    EXPECT_TRUE(cancelled());
    EXPECT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_FALSE(Forms::frmDownload().isLoaded());
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
