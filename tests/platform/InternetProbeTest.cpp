// The real internet probe against the maker server tool, a closed port and a server that never
// answers.

#include "platform/InternetProbe.h"
#include "MakerPort.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {

TEST(InternetProbe, ReachableWhenTheProbePageAnswers)
{
    testing_support::MakerServerProcess server;
    ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
    platform::HttpInternetProbe probe(server.url() + QStringLiteral("/"), 5000);
    EXPECT_TRUE(probe.check());
    // Any HTTP answer means the internet is there, a missing page included.
    platform::HttpInternetProbe missing(server.url() + QStringLiteral("/no-such-page"), 5000);
    EXPECT_TRUE(missing.check());
}

TEST(InternetProbe, UnreachableWhenNothingListens)
{
    QTcpServer reserve;
    ASSERT_TRUE(reserve.listen(QHostAddress::LocalHost));
    const quint16 port = reserve.serverPort();
    reserve.close();
    platform::HttpInternetProbe probe(QStringLiteral("http://127.0.0.1:%1/").arg(port), 5000);
    EXPECT_FALSE(probe.check());
}

TEST(InternetProbe, GivesUpOnAServerThatNeverAnswers)
{
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    QList<QTcpSocket *> held;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *s = silent.nextPendingConnection())
            held << s; // accepted, never answered
    });
    platform::HttpInternetProbe probe(
        QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort()), 300);
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(probe.check());
    EXPECT_LT(elapsed.elapsed(), 20000) << "the probe must end on its own time-out";
}

} // namespace
