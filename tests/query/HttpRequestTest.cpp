// The real HTTP request object: answers of any status, a server that is down, a server that never
// answers, and the promise that nothing of the program but repainting runs while a request waits.

#include "platform/HttpRequest.h"
#include "MakerPort.h"
#include "platform/Timer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QString closedPortUrl()
{
    QTcpServer reserve;
    EXPECT_TRUE(reserve.listen(QHostAddress::LocalHost));
    const quint16 port = reserve.serverPort();
    reserve.close();
    return QStringLiteral("http://127.0.0.1:%1/kovarapc/samplecodes/sql-link.php").arg(port);
}

TEST(HttpRequest, ReturnsTheBodyOfAnyAnswer)
{
    testing_support::MakerServerProcess server(0, {QStringLiteral("--quiet")});
    ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
    platform::QtHttpRequest request(10000);
    request.open("POST", server.url() + QStringLiteral("/no-such-page"));
    request.setRequestHeader("Content-Type", "text/plain");
    request.send("hello");
    EXPECT_TRUE(request.responseText().contains("404 Not Found"))
        << "an error page is a reply like any other";
}

TEST(HttpRequest, RaisesWhenTheServerIsDown)
{
    platform::QtHttpRequest request(10000);
    request.open("POST", closedPortUrl());
    try {
        request.send("body");
        ADD_FAILURE() << "no error raised";
    } catch (const platform::HttpError &error) {
        EXPECT_EQ(error.number(), QNetworkReply::ConnectionRefusedError);
        EXPECT_FALSE(error.description().isEmpty());
    }
}

TEST(HttpRequest, RefusesAddressesThatAreNotWebAddresses)
{
    platform::QtHttpRequest request;
    EXPECT_THROW(request.open("POST", QStringLiteral("ftp://127.0.0.1/x")), platform::HttpError);
    EXPECT_THROW(request.open("POST", QStringLiteral("not an address")), platform::HttpError);
    EXPECT_THROW(request.send("body"), platform::HttpError) << "send before open";
}

class PaintCounter final : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

// A server that accepts connections (the kernel does, from its backlog) and never answers: the
// request ends on its own time-out; meanwhile no timer of the program runs, but the window
// repaints.
TEST(HttpRequest, WaitsForASilentServerWithTimersHeldAndGivesUp)
{
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    PaintCounter window;
    window.resize(100, 100);
    window.show();
    QCoreApplication::processEvents();
    const int paintsBefore = window.paints;
    window.update();
    QObject context;
    platform::Timer programTimer(&context);
    int ticks = 0;
    QObject::connect(&programTimer, &platform::Timer::Tick, &context, [&] { ++ticks; });
    programTimer.setInterval(10);
    QTimer plain;
    int plainTicks = 0;
    QObject::connect(&plain, &QTimer::timeout, &context, [&] { ++plainTicks; });
    plain.start(5);

    platform::QtHttpRequest request(400);
    request.open("POST", QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort()));
    QElapsedTimer elapsed;
    elapsed.start();
    try {
        request.send("body");
        ADD_FAILURE() << "no error raised";
    } catch (const platform::HttpError &error) {
        EXPECT_EQ(error.number(), QNetworkReply::TimeoutError);
        EXPECT_TRUE(error.description().contains(QStringLiteral("did not answer")));
    }
    EXPECT_LT(elapsed.elapsed(), 20000) << "the request must end on its own time-out";
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(plainTicks, 0);
    EXPECT_GT(window.paints, paintsBefore) << "the pending repaint ran during the wait";

    // The timers were only held back: they tick again afterwards.
    elapsed.restart();
    while (ticks == 0 && elapsed.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_GT(ticks, 0);
}

} // namespace
