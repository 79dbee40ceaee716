// The exchange with the scale in virtual time: deadline, discard, reply length, link status, one
// exchange at a time, port faults and the transcript.

#include "ScriptedSerial.h"
#include "TestPlatform.h"

#include "scale/ScaleIdentity.h"
#include "scale/ScaleLink.h"

#include <QLoggingCategory>
#include <gtest/gtest.h>

using namespace testing_support;
using scale::Reply;

namespace {

QByteArray block131(quint8 first = 0xB4)
{
    QByteArray reply(131, char(0x11));
    reply[0] = char(first);
    return reply;
}

class Link : public ::testing::Test
{
protected:
    Link()
    {
        serial.ends[1] = FarEnd {};
        port.open();
    }

    // Schedules the 131-byte reply at an absolute virtual time and reads block 0700h.
    Reply readWithReplyAt(qint64 atMs)
    {
        test.clock.schedule(atMs, [this] { port.receive(block131()); });
        return link.readBlock(0x0700);
    }

    TestPlatform test;
    ScriptedSerialSystem serial {test.clock};
    std::unique_ptr<platform::SerialPort> owned = serial.createPort();
    ScriptedPort &port = *serial.lastPort;
    bool scaleCom = false;
    scale::ScaleLink link {port, scaleCom};
};

constexpr qint64 kStart = 1'000'000; // the virtual clock starts on a whole second

TEST_F(Link, ReplyCountsUpToTheRoundedDeadlineAndTimesOutAfterIt)
{
    EXPECT_EQ(scale::ScaleLink::replyDeadline(kStart), kStart + 10'000);
    EXPECT_EQ(scale::ScaleLink::replyDeadline(kStart + 400), kStart + 10'000);
    EXPECT_EQ(scale::ScaleLink::replyDeadline(kStart + 600), kStart + 11'000);

    EXPECT_TRUE(readWithReplyAt(kStart + 10'000).complete());

    test.clock.advance(kStart + 20'000 - test.clock.nowMs());
    const Reply late = readWithReplyAt(kStart + 31'000);
    EXPECT_EQ(late.status, Reply::Status::TimedOut);
    EXPECT_EQ(test.clock.nowMs(), kStart + 30'001); // gave up at the first moment past it
    EXPECT_FALSE(scaleCom);

    // Started 0.4 s into a second the wait is 9.6 s long; started 0.6 s in, 10.4 s.
    test.clock.advance(kStart + 40'400 - test.clock.nowMs());
    EXPECT_FALSE(readWithReplyAt(kStart + 50'300).complete());
    test.clock.advance(kStart + 60'600 - test.clock.nowMs());
    EXPECT_TRUE(readWithReplyAt(kStart + 70'900).complete());
}

TEST_F(Link, DeadlineStartsWhenTheFrameHasLeft)
{
    port.sendMs = 3'000;
    // 12.5 s after the call but 9.5 s after the frame left the port.
    EXPECT_TRUE(readWithReplyAt(kStart + 12'500).complete());
}

TEST_F(Link, StaleInputIsDroppedButTheReplyIsKept)
{
    port.receive(QByteArray(600, char(0x55))); // more than one read returns
    serial.ends[1].answer = [](const QByteArray &) {
        return QByteArray(1, char(0xF0));
    };
    EXPECT_TRUE(link.storeByte(0x0700, 0x12).accepted());

    // A port that answers the moment the frame is handed over.
    port.answerWithinOutput = true;
    port.receive("stale");
    const Reply reply = link.openSession(QByteArray::fromHex("12345678"));
    EXPECT_TRUE(reply.accepted());
    EXPECT_EQ(reply.bytes, QByteArray(1, char(0xF0)));
    EXPECT_EQ(port.frames.last(), QByteArray::fromHex("1E12345678"));
}

TEST_F(Link, RepliesAreJudgedByTheBytesTheCommandNeeds)
{
    serial.ends[1].answer = [](const QByteArray &frame) -> QByteArray {
        switch (quint8(frame.at(0))) {
        case 0x1E:
            return QByteArray::fromHex("F000");
        case 0xC3:
            return QByteArray::fromHex("F1F0");
        default:
            return block131(0xB4) + QByteArray(9, char(0x22));
        }
    };
    const Reply session = link.openSession(QByteArray::fromHex("00000001"));
    EXPECT_TRUE(session.accepted());
    EXPECT_EQ(session.bytes.size(), 1);

    const Reply program = link.programBlock(0x0080, QByteArray(128, char(0x5A)));
    EXPECT_TRUE(program.complete());
    EXPECT_FALSE(program.accepted());
    EXPECT_EQ(port.frames.last().size(), 131);
    EXPECT_EQ(port.frames.last().left(3), QByteArray::fromHex("C30080"));

    const Reply block = link.readBlock(0x0100);
    EXPECT_EQ(block.bytes, block131(0xB4));
    EXPECT_EQ(port.frames.last(), QByteArray::fromHex("B40100"));

    EXPECT_TRUE(link.closeSession().complete());
    EXPECT_EQ(port.frames.last(), QByteArray::fromHex("4B"));
}

TEST_F(Link, ScaleComFollowsTheSerialNumberWait)
{
    serial.ends[1] = scaleWithSerial(QByteArray::fromHex("12345678"));

    // Complete at the first poll: left as it was.
    port.answerWithinOutput = true;
    EXPECT_EQ(scale::readSerialNumber(link), QStringLiteral("12345678"));
    EXPECT_FALSE(scaleCom);

    // Had to wait: set.
    port.answerWithinOutput = false;
    EXPECT_EQ(scale::readSerialNumber(link), QStringLiteral("12345678"));
    EXPECT_TRUE(scaleCom);

    // Timed out: cleared.
    serial.ends[1].answer = nullptr;
    EXPECT_EQ(scale::readSerialNumber(link), QString());
    EXPECT_FALSE(scaleCom);
}

TEST_F(Link, AnExchangeAskedForDuringAWaitGetsBusy)
{
    serial.ends[1].answer = [](const QByteArray &) {
        return QByteArray(1, char(0xF0));
    };
    serial.ends[1].replyDelayMs = 500;
    scaleCom = true;
    Reply inner;
    test.clock.scheduleIn(100, [&] { inner = link.storeByte(0x0701, 0x34); });

    EXPECT_TRUE(link.storeByte(0x0700, 0x12).accepted());
    EXPECT_EQ(inner.status, Reply::Status::Busy);
    EXPECT_EQ(port.frames.size(), 1);
    EXPECT_TRUE(scaleCom);
    EXPECT_FALSE(link.busy());
    EXPECT_TRUE(link.storeByte(0x0701, 0x34).accepted()); // free again afterwards
}

TEST_F(Link, APortThatClosesOrIsClosedEndsTheExchange)
{
    scaleCom = true;
    test.clock.scheduleIn(1'000, [this] { port.close(); });
    const Reply closedDuring = link.readBlock(0x0700);
    EXPECT_EQ(closedDuring.status, Reply::Status::PortError);
    EXPECT_LT(test.clock.nowMs(), kStart + 2'000);
    EXPECT_FALSE(scaleCom);

    const Reply closedBefore = link.readBlock(0x0700);
    EXPECT_EQ(closedBefore.status, Reply::Status::PortError);
    EXPECT_EQ(closedBefore.error, QStringLiteral("The port is not open."));
    EXPECT_EQ(scale::readSerialNumber(link), QString());
}

QStringList g_transcript;

void collect(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    if (QByteArray(context.category) == "kovara.scale.link")
        g_transcript << message;
}

TEST_F(Link, EveryExchangeIsInTheTranscript)
{
    serial.ends[1] = scaleWithSerial(QByteArray::fromHex("12345678"));
    g_transcript.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("kovara.scale.link.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(&collect);
    link.storeByte(0x0703, 0x78);
    serial.ends[1].answer = nullptr;
    link.storeByte(0x0703, 0x78);
    qInstallMessageHandler(previous);
    quietLogging();

    ASSERT_EQ(g_transcript.size(), 2);
    EXPECT_TRUE(
        g_transcript.at(0).startsWith(QStringLiteral("5A 0703 out 5A 07 03 78 in F0 (1 bytes)")))
        << g_transcript.at(0).toStdString();
    EXPECT_TRUE(g_transcript.at(0).endsWith(QStringLiteral(" ms: complete")));
    EXPECT_TRUE(g_transcript.at(1).endsWith(QStringLiteral(" ms: timed out")))
        << g_transcript.at(1).toStdString();
}

} // namespace
