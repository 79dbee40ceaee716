// The downloader against the maker server tool's files and fault routes and hand-made servers on
// loopback: what each attempt ends in, what it asked for (Range, If-Range), and the file it
// leaves, which is the server's file byte for byte or nothing at all. The server's refusals that
// end a download at once are rows of the download's table at the level the user meets them
// (tests/app/WizardTest.cpp); these are the attempts the windows cannot tell apart.

#include "MakerServer.h"
#include "ScriptedSocketServer.h"
#include "TestPlatform.h"
#include "UpdateFile.h"

#include "net/Downloader.h"
#include "platform/DiskSpace.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

using Outcome = net::DownloadResult::Outcome;
using testing_support::patternBytes;
using testing_support::readFile;

class DownloaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
        server.put(QStringLiteral("update.hex"), content);
        server.put(QStringLiteral("empty.hex"), QByteArray());
    }

    // Runs attempts until one ends the download: a break or a refusal for space is resumed, a
    // refused resume started again. between runs before each resume. Returns every outcome.
    std::vector<Outcome> run(const QString &path,
                             const QString &to = {},
                             const std::function<void(Outcome)> &between = {})
    {
        const QString url = path.startsWith(QLatin1Char('/')) ? server.url() + path : path;
        std::vector<Outcome> outcomes;
        std::optional<net::DownloadResult> last;
        int resumes = 0;
        QObject::connect(&downloader,
                         &net::Downloader::finished,
                         &downloader,
                         [&](const net::DownloadResult &result) { last = result; });
        downloader.start(url, to.isEmpty() ? destination() : to);
        for (int attempt = 0; attempt < 6; ++attempt) {
            if (!QTest::qWaitFor([&] { return last.has_value(); }, 20000)) {
                ADD_FAILURE() << "an attempt did not end";
                break;
            }
            const net::DownloadResult result = *std::exchange(last, std::nullopt);
            outcomes.push_back(result.outcome);
            lastResult = result;
            if (between)
                between(result.outcome);
            if (result.outcome == Outcome::ResumeRefused) {
                EXPECT_FALSE(QFileInfo::exists(destination())) << "the part goes before a restart";
                downloader.restart();
            } else if (result.canResume && resumes++ < 2) {
                downloader.resume();
            } else {
                break;
            }
        }
        downloader.disconnect(&downloader);
        return outcomes;
    }
    QString destination() const { return folder.filePath(QStringLiteral("update.hex")); }
    // The Range and If-Range of the requests since the last call.
    QStringList asked()
    {
        QStringList out;
        const QStringList all = server.requests();
        for (qsizetype i = m_seen; i < all.size(); ++i)
            out << all[i].section(QLatin1Char(' '), 2);
        m_seen = all.size();
        return out;
    }

    testing_support::MakerServer server {testing_support::MakerServer::Files::OwnFolder};
    QTemporaryDir folder;
    QNetworkAccessManager network;
    platform::StorageDiskSpace disk;
    net::Downloader downloader {network, disk, net::Downloader::Options {1000, 4096}};
    net::DownloadResult lastResult;
    const QByteArray content = patternBytes(50000);

private:
    qsizetype m_seen = 0;
};

TEST_F(DownloaderTest, AttemptsOutcomesAndTheFileLeft)
{
    const QByteArray changed = patternBytes(50000, 7);
    testing_support::ScriptedSocketServer silent;
    testing_support::ScriptedSocketServer stalls {
        QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 50000\r\n\r\n") + QByteArray(5000, 'x')};
    // An 8 KB file broken off at 6,000 bytes; the resume, asked from 1904, gets a part from 0
    // whose bytes equal those on disk where they overlap: only its range tells.
    const QByteArray part("HTTP/1.1 206 Partial Content\r\nContent-Length: 8192\r\n"
                          "ETag: \"v1\"\r\nContent-Range: bytes 0-8191/8192\r\n\r\n");
    testing_support::ScriptedSocketServer elsewhere {
        {part + QByteArray(6000, 'x'), part + QByteArray(8192, 'x'), part + QByteArray(8192, 'z')},
        testing_support::ScriptedSocketServer::After::Close};
    // A body without a length that stops coming is not the whole file. (Qt reports a body
    // without a length cut by a close or a reset as a clean end: only a stall tells.)
    testing_support::ScriptedSocketServer unsized {
        QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n") + QByteArray(5000, 'x')};
    QFile(folder.filePath(QStringLiteral("blocked"))).open(QIODevice::WriteOnly);
    const QString blocked = folder.filePath(QStringLiteral("blocked/update.hex"));
    const auto cutTo7000 = [this](Outcome outcome) {
        if (outcome == Outcome::Broken)
            QFile::resize(destination(), 7000);
    };
    const auto changeOnServer = [&](Outcome outcome) {
        if (outcome == Outcome::Broken)
            server.put(QStringLiteral("update.hex"), changed);
    };
    // The file grew, and changed before the break but not where the resume asks again.
    const QByteArray longer
        = content.left(2000) + patternBytes(100, 9) + content.mid(2100) + patternBytes(10000, 8);
    const auto lengthenOnServer = [&](Outcome outcome) {
        if (outcome == Outcome::Broken)
            server.put(QStringLiteral("update.hex"), longer);
    };
    int versions = 10;
    const auto changeAtEveryBreak = [&](Outcome outcome) {
        if (outcome == Outcome::Broken)
            server.put(QStringLiteral("update.hex"), patternBytes(50000, ++versions));
    };
    struct Row
    {
        QString path;
        std::vector<Outcome> outcomes;
        QByteArray file = {}; // what is on disk at the end: empty for nothing
        // The request that the last attempt made: "" for no check.
        QString lastAsked = {};
        std::function<void(Outcome)> between = {};
        QString to = {};
    };
    using O = Outcome;
    // A fresh request, which asks for the body as it is stored (no compression).
    const QString fromStart = QStringLiteral("Range: bytes=0- Accept-Encoding: identity");
    // A break, then the rest; a break, a refused resume, then the whole file again.
    const std::vector<O> resumed {O::Broken, O::Complete};
    const std::vector<O> restarted {O::Broken, O::ResumeRefused, O::Complete};
    // clang-format off
    const Row rows[] = {
        {"/files/update.hex", {O::Complete}, content, fromStart},
        {"/fault/ignore-range/update.hex", {O::Complete}, content, fromStart},
        {"/fault/no-length/update.hex", {O::Complete}, content, fromStart},
        // A resume asks from four kilobytes before what is on disk and names the file's version.
        {"/fault/reset/10000/update.hex", resumed, content, "Range: bytes=5904- If-Range: \""},
        {"/fault/reset/10000/update.hex", resumed, content, "Range: bytes=2904- If-Range: \"",
         cutTo7000},
        // Below four kilobytes the resume starts from the first byte.
        {"/fault/reset/3000/update.hex", {O::Broken, O::Broken, O::Broken}, {}, fromStart},
        // A server (or a proxy) that names no version of the file, or a weak one only: a break
        // starts the file again rather than splice a changed file onto the part.
        {"/files/update.hex?validator=none&reset=10000", resumed, changed, fromStart,
         changeOnServer},
        {"/files/update.hex?validator=weak&reset=10000", resumed, changed, fromStart,
         changeOnServer},
        // A server whose version never changes: the length of the file and the bytes asked
        // again tell, and the file starts again; a second change ends the download.
        {"/files/update.hex?validator=fixed&reset=10000", restarted, longer, fromStart,
         lengthenOnServer},
        {"/files/update.hex?validator=fixed&reset=10000&v", restarted, changed, fromStart,
         changeOnServer},
        {"/files/update.hex?validator=fixed&reset=10000&cuts=all",
         {O::Broken, O::ResumeRefused, O::Broken, O::Changed}, {}, "", changeAtEveryBreak},
        {"/fault/ignore-range/update.hex?reset=10000", restarted, content, fromStart},
        // The file changed on the server before the resume: never spliced.
        {"/files/update.hex?reset=10000", restarted, changed, "", changeOnServer},
        {elsewhere.url(), restarted, QByteArray(8192, 'z')},
        {unsized.url(), {O::Broken, O::NoConnection}},
        // It answers once, then says nothing more.
        {stalls.url(), {O::Broken, O::NoConnection}},
        {"/fault/ignore-range/empty.hex", {O::NoContent}},
        {silent.url(), {O::NoConnection}},
        {"/files/update.hex", {O::WriteFailed}, {}, "", {}, blocked},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        // A stale longer file of an earlier run is replaced, or gone with a failure.
        QFile stale(row.to.isEmpty() ? destination() : row.to);
        if (stale.open(QIODevice::WriteOnly))
            stale.write(patternBytes(300000, 3));
        stale.close();
        asked();
        EXPECT_EQ(run(row.path, row.to, row.between), row.outcomes);
        // A row that names the last request made one to the maker server tool.
        const QStringList requests = asked();
        const QString lastRequest = requests.isEmpty() ? QString() : requests.last();
        EXPECT_TRUE(row.lastAsked.isEmpty() || !requests.isEmpty());
        EXPECT_TRUE(lastRequest.startsWith(row.lastAsked)) << lastRequest.toStdString();
        if (row.outcomes.back() != O::Complete)
            downloader.abandon();
        EXPECT_EQ(readFile(row.to.isEmpty() ? destination() : row.to), row.file);
        if (row.file.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(row.to.isEmpty() ? destination() : row.to));
        }
        server.put(QStringLiteral("update.hex"), content);
    }
    // The last row's write failed: the system's number and words come with it.
    EXPECT_NE(lastResult.errorNumber, 0);
    EXPECT_FALSE(lastResult.errorText.isEmpty());
}

} // namespace
