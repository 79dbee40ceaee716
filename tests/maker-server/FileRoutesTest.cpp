// The maker server tool's files and fault routes, spoken to over a plain socket so that every
// byte of the answer can be checked.

#include "LoggedServer.h"
#include "MakerPort.h"

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

} // namespace

TEST(MakerServerFiles, FixedPathsServeTheBuiltInSamples)
{
    testing_support::MakerServerProcess server; // no --files
    ASSERT_FALSE(server.url().isEmpty());
    const Answer banner
        = exchange(server.url() + QStringLiteral("/KovaraDownload/norvessiaupdatebanner.jpg"));
    EXPECT_EQ(banner.header("Content-Type"), "image/jpeg");
    EXPECT_FALSE(QImage::fromData(banner.body, "JPEG").isNull());
    EXPECT_FALSE(
        exchange(server.url() + QStringLiteral("/KovaraDownload/KovaraNorvessia_PCProgram.exe"))
            .body.isEmpty());
    EXPECT_TRUE(exchange(server.url() + QStringLiteral("/Manuals/KovaraNorvessia_Manual.pdf"))
                    .body.startsWith("%PDF-"));
    EXPECT_TRUE(exchange(server.url() + QStringLiteral("/kovarapc/norvessia/kovaranorvessia.htm"))
                    .body.contains("<html"));
}

// Every route the download tests stand on, over a plain socket so that every byte of the answer
// is seen: ranges and validators, names outside the folder, refusals, cuts and odd bodies.
TEST(MakerServerFiles, EveryRouteAnswersAsItsNameSays)
{
    testing_support::LoggedServer server;
    ASSERT_FALSE(server.url().isEmpty());
    const QByteArray content = testing_support::patternBytes(1000);
    server.put(QStringLiteral("f.bin"), content);
    const QByteArray etag = exchange(server.url() + "/files/f.bin").header("ETag");
    ASSERT_FALSE(etag.isEmpty());
    const struct
    {
        const char *target;
        QByteArray request; // header lines, or "HEAD"
        int status;
        int from;   // the body is content.mid(from, length); -1: no body
        int length; // -1: to the end
        QByteArray header;
    } rows[] = {
        {"/files/f.bin",
         "Range: bytes=100-199",
         206,
         100,
         100,
         "Content-Range: bytes 100-199/1000"},
        {"/files/f.bin", "Range: bytes=-10", 206, 990, -1, ""},
        {"/files/f.bin", "Range: bytes=900-5000", 206, 900, -1, ""},
        {"/files/f.bin", "Range: bytes=1000-", 416, -1, 0, "Content-Range: bytes */1000"},
        // Several ranges, or a range that makes no sense, get the whole file.
        {"/files/f.bin", "Range: bytes=0-1,5-6", 200, 0, -1, ""},
        {"/files/f.bin", "Range: bytes=9-3", 200, 0, -1, ""},
        {"/files/f.bin", "Range: bytes=10-\r\nIf-Range: " + etag, 206, 10, -1, ""},
        {"/files/f.bin", "Range: bytes=10-\r\nIf-Range: \"old\"", 200, 0, -1, ""},
        {"/files/f.bin", "HEAD", 200, -1, 0, "Content-Length: 1000"},
        {"/files/missing.bin", "", 404, -1, 0, ""},
        {"/files/%2e%2e%2fetc%2fpasswd", "", 404, -1, 0, ""},
        {"/files/sub/f.bin", "", 404, -1, 0, ""},
        {"/KovaraDownload/f.bin", "", 200, 0, -1, ""},
        {"/fault/404/f.bin", "", 404, -1, 0, ""},
        {"/fault/401/f.bin", "", 401, -1, 0, "WWW-Authenticate: Basic realm=\"Kovara downloads\""},
        {"/fault/204/f.bin", "", 204, 0, 0, "Content-Length: "},
        {"/fault/status/503/f.bin", "", 503, -1, 0, ""},
        {"/fault/reset/300/f.bin", "Range: bytes=0-", 206, 0, 300, "Content-Length: 1000"},
        {"/fault/reset/300/f.bin", "Range: bytes=200-", 206, 200, -1, ""},
        // "?reset=N" cuts the first answer for that address only.
        {"/files/f.bin?reset=10", "", 200, 0, 10, ""},
        {"/files/f.bin?reset=10", "", 200, 0, -1, ""},
        {"/fault/ignore-range/f.bin", "Range: bytes=500-", 200, 0, -1, ""},
        {"/fault/no-length/f.bin", "", 200, 0, -1, "Content-Length: "},
        {"/fault/slow/f.bin?bps=100000", "", 200, 0, -1, ""},
    };
    for (const auto &row : rows) {
        const bool head = row.request == "HEAD";
        const Answer answer
            = exchange(server.url() + row.target,
                       head ? "HEAD" : "GET",
                       head || row.request.isEmpty() ? QByteArray() : row.request + "\r\n");
        SCOPED_TRACE(std::string(row.target) + ' ' + row.request.toStdString());
        EXPECT_EQ(answer.status, row.status);
        if (row.from >= 0) {
            EXPECT_EQ(answer.body, content.mid(row.from, row.length));
        }
        if (!row.header.isEmpty()) {
            const qsizetype colon = row.header.indexOf(':');
            EXPECT_EQ(answer.header(row.header.left(colon)), row.header.mid(colon + 1).trimmed());
        }
    }
    EXPECT_TRUE(server.requests().contains(
        QStringLiteral("GET /files/f.bin Range: bytes=10- If-Range: \"old\"")))
        << server.requests().join(QLatin1Char('\n')).toStdString();
}
