// The maker server tool's files and fault routes, spoken to over a plain socket so that every
// byte of the answer can be checked.

#include "LoggedServer.h"
#include "MakerPort.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTcpSocket>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

struct Answer
{
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QByteArray header(const QByteArray &name) const
    {
        for (const auto &pair : headers) {
            if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
                return pair.second;
        }
        return QByteArray();
    }
};

QByteArray dechunk(const QByteArray &raw)
{
    QByteArray out;
    qsizetype at = 0;
    for (;;) {
        const qsizetype eol = raw.indexOf("\r\n", at);
        if (eol < 0)
            return out;
        bool ok = false;
        const qsizetype size = raw.mid(at, eol - at).toLongLong(&ok, 16);
        if (!ok || size == 0)
            return out;
        out += raw.mid(eol + 2, size);
        at = eol + 2 + size + 2;
    }
}

// One request on its own connection; the answer is read until the server closes it.
Answer exchange(const QString &url, const QByteArray &method = "GET", const QByteArray &extra = {})
{
    const QUrl address(url);
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(address.port()));
    Answer answer;
    if (!socket.waitForConnected(5000))
        return answer;
    socket.write(method + " " + address.path(QUrl::FullyEncoded).toLatin1()
                 + (address.hasQuery() ? "?" + address.query().toLatin1() : QByteArray())
                 + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + extra + "\r\n");
    QByteArray raw;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        raw += socket.readAll();
    raw += socket.readAll();
    const qsizetype end = raw.indexOf("\r\n\r\n");
    if (end < 0)
        return answer;
    const QList<QByteArray> lines = raw.left(end).split('\n');
    answer.status = lines.value(0).mid(9, 3).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        answer.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    answer.body = raw.mid(end + 4);
    if (answer.header("Transfer-Encoding") == "chunked")
        answer.body = dechunk(answer.body);
    return answer;
}

class FileRoutesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(server.url().isEmpty());
        server.put(QStringLiteral("f.bin"), content);
    }
    QString at(const char *path) const { return server.url() + QString::fromLatin1(path); }

    testing_support::LoggedServer server;
    const QByteArray content = testing_support::patternBytes(1000);
};

TEST(MakerServerFiles, FixedPathsServeTheBuiltInSamples)
{
    testing_support::MakerServerProcess server; // no --files
    ASSERT_FALSE(server.url().isEmpty());
    const Answer banner
        = exchange(server.url() + QStringLiteral("/KovaraDownload/norvessiaupdatebanner.jpg"));
    EXPECT_EQ(banner.status, 200);
    EXPECT_EQ(banner.header("Content-Type"), "image/jpeg");
    EXPECT_FALSE(QImage::fromData(banner.body, "JPEG").isNull());
    const Answer installer
        = exchange(server.url() + QStringLiteral("/KovaraDownload/KovaraNorvessia_PCProgram.exe"));
    EXPECT_EQ(installer.status, 200);
    EXPECT_FALSE(installer.body.isEmpty());
    const Answer manual
        = exchange(server.url() + QStringLiteral("/Manuals/KovaraNorvessia_Manual.pdf"));
    EXPECT_EQ(manual.status, 200);
    EXPECT_TRUE(manual.body.startsWith("%PDF-"));
    const Answer page
        = exchange(server.url() + QStringLiteral("/kovarapc/norvessia/kovaranorvessia.htm"));
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains("<html"));
}

TEST_F(FileRoutesTest, RangesPartsAndValidators)
{
    Answer part = exchange(at("/files/f.bin"), "GET", "Range: bytes=100-199\r\n");
    EXPECT_EQ(part.status, 206);
    EXPECT_EQ(part.header("Content-Range"), "bytes 100-199/1000");
    EXPECT_EQ(part.header("Content-Length"), "100");
    EXPECT_EQ(part.body, content.mid(100, 100));

    EXPECT_EQ(exchange(at("/files/f.bin"), "GET", "Range: bytes=-10\r\n").body, content.right(10));
    EXPECT_EQ(exchange(at("/files/f.bin"), "GET", "Range: bytes=900-\r\n").body, content.mid(900));
    EXPECT_EQ(exchange(at("/files/f.bin"), "GET", "Range: bytes=900-5000\r\n").body,
              content.mid(900));

    const Answer beyond = exchange(at("/files/f.bin"), "GET", "Range: bytes=1000-\r\n");
    EXPECT_EQ(beyond.status, 416);
    EXPECT_EQ(beyond.header("Content-Range"), "bytes */1000");

    // Several ranges, or a range that makes no sense, get the whole file.
    EXPECT_EQ(exchange(at("/files/f.bin"), "GET", "Range: bytes=0-1,5-6\r\n").status, 200);
    EXPECT_EQ(exchange(at("/files/f.bin"), "GET", "Range: bytes=9-3\r\n").status, 200);

    const Answer whole = exchange(at("/files/f.bin"));
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(whole.body, content);
    const QByteArray etag = whole.header("ETag");
    ASSERT_FALSE(etag.isEmpty());
    EXPECT_EQ(exchange(at("/files/f.bin"), "GET", "Range: bytes=10-\r\nIf-Range: " + etag + "\r\n")
                  .status,
              206);
    EXPECT_EQ(exchange(at("/files/f.bin"),
                       "GET",
                       "Range: bytes=10-\r\nIf-Range: " + whole.header("Last-Modified") + "\r\n")
                  .status,
              206);
    const Answer stale
        = exchange(at("/files/f.bin"), "GET", "Range: bytes=10-\r\nIf-Range: \"old-version\"\r\n");
    EXPECT_EQ(stale.status, 200);
    EXPECT_EQ(stale.body, content);

    const Answer head = exchange(at("/files/f.bin"), "HEAD");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.header("Content-Length"), "1000");
    EXPECT_TRUE(head.body.isEmpty());
}

TEST_F(FileRoutesTest, NamesOutsideTheFolderAreNotServed)
{
    EXPECT_EQ(exchange(at("/files/missing.bin")).status, 404);
    EXPECT_EQ(exchange(at("/files/%2e%2e%2fetc%2fpasswd")).status, 404);
    EXPECT_EQ(exchange(at("/files/sub/f.bin")).status, 404);
    // A file of the --files folder serves at the maker's paths too.
    EXPECT_EQ(exchange(at("/KovaraDownload/f.bin")).body, content);
}

TEST_F(FileRoutesTest, RefusalRoutes)
{
    EXPECT_EQ(exchange(at("/fault/404/f.bin")).status, 404);
    const Answer unauthorized = exchange(at("/fault/401/f.bin"));
    EXPECT_EQ(unauthorized.status, 401);
    EXPECT_TRUE(unauthorized.header("WWW-Authenticate").startsWith("Basic"));
    const Answer empty = exchange(at("/fault/204/f.bin"));
    EXPECT_EQ(empty.status, 204);
    EXPECT_TRUE(empty.body.isEmpty());
    EXPECT_TRUE(empty.header("Content-Length").isEmpty());
    EXPECT_EQ(exchange(at("/fault/status/503/f.bin")).status, 503);
}

TEST_F(FileRoutesTest, ResetSendsPartThenCutsAndRangedRetryCompletes)
{
    const Answer cut = exchange(at("/fault/reset/300/f.bin"), "GET", "Range: bytes=0-\r\n");
    EXPECT_EQ(cut.status, 206);
    EXPECT_EQ(cut.header("Content-Length"), "1000");
    EXPECT_EQ(cut.body, content.left(300));
    const Answer retry = exchange(at("/fault/reset/300/f.bin"), "GET", "Range: bytes=200-\r\n");
    EXPECT_EQ(retry.status, 206);
    EXPECT_EQ(retry.body, content.mid(200));

    // "?reset=N" cuts the first answer for that address only.
    EXPECT_EQ(exchange(at("/files/f.bin?reset=10")).body, content.left(10));
    EXPECT_EQ(exchange(at("/files/f.bin?reset=10")).body, content);
}

TEST_F(FileRoutesTest, IgnoredRangeNoLengthAndTrickle)
{
    const Answer ignored
        = exchange(at("/fault/ignore-range/f.bin"), "GET", "Range: bytes=500-\r\n");
    EXPECT_EQ(ignored.status, 200);
    EXPECT_EQ(ignored.body, content);

    const Answer chunked = exchange(at("/fault/no-length/f.bin"));
    EXPECT_EQ(chunked.status, 200);
    EXPECT_TRUE(chunked.header("Content-Length").isEmpty());
    EXPECT_EQ(chunked.body, content);

    QElapsedTimer elapsed;
    elapsed.start();
    const Answer slow = exchange(at("/fault/slow/f.bin?bps=4000"));
    EXPECT_EQ(slow.body, content);
    EXPECT_GE(elapsed.elapsed(), 200) << "1000 bytes at 4000 a second take a quarter second";
}

TEST_F(FileRoutesTest, EveryRequestIsLoggedWithItsRange)
{
    exchange(at("/files/f.bin"), "GET", "Range: bytes=5-\r\nIf-Range: \"v\"\r\n");
    exchange(at("/fault/404/f.bin"));
    const QStringList log = server.requests();
    EXPECT_TRUE(log.contains(QStringLiteral("GET /files/f.bin Range: bytes=5- If-Range: \"v\"")))
        << log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("GET /fault/404/f.bin")));
}

} // namespace
