// The real HTTP transfer against the maker server tool and against hand-made sockets: the rebuilt
// status line, the request headers it sends, the body in bounded chunks, and its time-outs.

#include "LoggedServer.h"

#include "platform/HttpTransfer.h"
#include "platform/Services.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using platform::HttpTransfer;
using platform::QtHttpTransfer;
using testing_support::ScriptedSocketServer;

namespace {

void waitForAnswer(HttpTransfer &transfer)
{
    while (transfer.StillExecuting())
        platform::clock().waitForEvents(100);
}

TEST(HttpTransfer, StatusLineHeadersAndBodyFromTheServer)
{
    testing_support::LoggedServer server;
    ASSERT_FALSE(server.url().isEmpty());
    const QByteArray content = testing_support::patternBytes(300000);
    server.put(QStringLiteral("f.bin"), content);

    QtHttpTransfer transfer;
    transfer.Execute(server.url() + QStringLiteral("/files/f.bin"),
                     QStringLiteral("GET"),
                     QStringLiteral("Range: bytes=1000-\r\n"));
    waitForAnswer(transfer);
    EXPECT_TRUE(
        transfer.headerText().startsWith(QStringLiteral("HTTP/1.1 206 Partial Content\r\n")));
    EXPECT_TRUE(transfer.headerText().endsWith(QStringLiteral("\r\n\r\n")));
    EXPECT_EQ(transfer.headerText().mid(9, 3), QStringLiteral("206"));
    EXPECT_EQ(transfer.GetHeader(QStringLiteral("content-length")), QStringLiteral("299000"));
    EXPECT_EQ(transfer.GetHeader(QStringLiteral("Content-Range")),
              QStringLiteral("bytes 1000-299999/300000"));
    EXPECT_EQ(transfer.RemoteHost(), QStringLiteral("127.0.0.1"));

    QByteArray body;
    for (QByteArray chunk = transfer.GetChunk(1024); !chunk.isEmpty();
         chunk = transfer.GetChunk(1024)) {
        ASSERT_LE(chunk.size(), 1024);
        body += chunk;
    }
    EXPECT_EQ(transfer.failure(), HttpTransfer::NoFailure);
    EXPECT_EQ(body, content.mid(1000));

    bool ok = false;
    EXPECT_EQ(transfer.OpenURL(server.url() + QStringLiteral("/files/f.bin"), &ok), content);
    EXPECT_TRUE(ok);
}

TEST(HttpTransfer, AsksForTheFileAsItIsAndGivesUpOnASilentServer)
{
    ScriptedSocketServer silent {QByteArray()};
    QtHttpTransfer transfer(400, 400);
    QElapsedTimer elapsed;
    elapsed.start();
    transfer.Execute(silent.url(), QStringLiteral("GET"), QStringLiteral("Range: bytes=0-\r\n"));
    waitForAnswer(transfer);
    EXPECT_LT(elapsed.elapsed(), 10000);
    EXPECT_EQ(transfer.failure(), HttpTransfer::TimedOut);
    EXPECT_TRUE(transfer.headerText().isEmpty());
    EXPECT_TRUE(silent.request.contains("Range: bytes=0-\r\n"));
    EXPECT_TRUE(silent.request.toLower().contains("accept-encoding: identity\r\n"));
}

TEST(HttpTransfer, GivesUpOnABodyThatStopsComing)
{
    ScriptedSocketServer stalls {QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n")
                                 + QByteArray(10, 'x')};
    QtHttpTransfer transfer(2000, 400);
    transfer.Execute(stalls.url(), QStringLiteral("GET"), QString());
    waitForAnswer(transfer);
    EXPECT_EQ(transfer.headerText().mid(9, 3), QStringLiteral("200"));
    QByteArray body;
    for (QByteArray chunk = transfer.GetChunk(1024); !chunk.isEmpty();
         chunk = transfer.GetChunk(1024))
        body += chunk;
    EXPECT_EQ(body, QByteArray(10, 'x'));
    EXPECT_EQ(transfer.failure(), HttpTransfer::TimedOut);
}

} // namespace
