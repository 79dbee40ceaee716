// The real internet probe against the maker server tool, a closed port and a server that never
// answers.

#include "net/InternetProbe.h"
#include "MakerServer.h"
#include "ScriptedSocketServer.h"

#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace {

// Any HTTP answer means the internet is there, a missing page included; nothing listening, or a
// server that accepts and never answers, means it is not.
TEST(InternetProbe, ReachableOnAnyAnswerAndNotOtherwise)
{
    testing_support::MakerServer server;
    ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
    testing_support::ScriptedSocketServer silent;
    const struct
    {
        QString url;
        bool reachable;
    } cases[] = {
        {server.url() + QStringLiteral("/"), true},
        {server.url() + QStringLiteral("/no-such-page"), true},
        {testing_support::closedPortUrl(QStringLiteral("/")), false},
        {silent.url(QStringLiteral("/")), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        net::HttpInternetProbe probe(c.url, c.reachable ? 5000 : 300);
        std::optional<bool> reachable;
        probe.start([&reachable](bool answer) { reachable = answer; });
        EXPECT_FALSE(reachable) << "the answer comes from the event loop";
        EXPECT_TRUE(QTest::qWaitFor([&] { return reachable.has_value(); }, 20000))
            << "the probe must end on its own time-out";
        EXPECT_EQ(reachable, c.reachable);
    }
}

} // namespace
