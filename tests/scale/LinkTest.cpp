// The exchange with the scale in virtual time: the rounded deadline, stale input, reply length,
// and the line let settle.

#include "TestPlatform.h"

#include "device/ScaleIdentity.h"
#include "device/ScaleLink.h"

#include <gtest/gtest.h>

using device::Reply;
using testing_support::giveScale;

namespace {

constexpr qint64 kStart = 1'000'000; // the virtual clock starts on a whole second

class Link : public ::testing::Test
{
protected:
    Link()
    {
        port->setPortNumber(1);
        port->open();
    }

    // Reads block 0700h at startAt; the scale answers lateMs after the frame.
    Reply readLate(qint64 startAt, double lateMs)
    {
        test.clock.advance(startAt - test.clock.nowMs());
        giveScale(scale, QStringLiteral("late B4 %1 x1").arg(lateMs));
        return link.readBlock(0x0700);
    }

    testing_support::TestPlatform test;
    virtual_scale::VirtualScale &scale = test.serial.addScale(1, QStringLiteral("20231187"));
    std::unique_ptr<platform::SerialPort> port = test.serial.createPort();
    device::ScaleLink link {*port, test.clock};
};

TEST_F(Link, ReplyCountsUpToTheRoundedDeadlineAndTimesOutAfterIt)
{
    EXPECT_TRUE(readLate(kStart, 10'000).complete());

    EXPECT_EQ(readLate(kStart + 20'000, 11'000).status, Reply::Status::TimedOut);
    EXPECT_EQ(test.clock.nowMs(), kStart + 30'001); // gave up at the first moment past it

    // Started 0.4 s into a second the wait is 9.6 s long; started 0.6 s in, 10.4 s.
    EXPECT_FALSE(readLate(kStart + 40'400, 9'700).complete());
    const Reply reply = readLate(kStart + 60'600, 10'300);
    EXPECT_TRUE(reply.complete());
    // The late answers that missed their wait were dropped as stale, not taken as this reply.
    EXPECT_EQ(reply.bytes.left(7), QByteArray::fromHex("B4070020231187"));
}

TEST_F(Link, StaleInputIsDroppedAndEveryReplyIsJudgedByWhatItNeeds)
{
    // A StoreByte answer followed by 600 bytes of noise: more than one read holds.
    giveScale(scale,
              QStringLiteral("append 5A %1 x1").arg(QString(QByteArray(600, char(0xF0)).toHex())));
    EXPECT_TRUE(link.storeByte(0x0700, 0x20).accepted());
    giveScale(scale, "append B4 222222222222222222 x1");
    const Reply block = link.readBlock(0x0700);
    EXPECT_EQ(block.bytes.size(), device::kReadBlockReplySize);
    EXPECT_EQ(block.bytes.left(7), QByteArray::fromHex("B4070020231187"));

    giveScale(scale, "append 1E 00 x1");
    const Reply session = link.openSession(QByteArray::fromHex("20231187"));
    EXPECT_TRUE(session.accepted());
    EXPECT_EQ(session.bytes, QByteArray::fromHex("F0"));

    giveScale(scale, "refuse C3");
    giveScale(scale, "append C3 F0 x1");
    const Reply program = link.programBlock(0x0800, QByteArray(128, char(0x5A)));
    EXPECT_TRUE(program.complete());
    EXPECT_FALSE(program.accepted()); // 0Fh F0h: the first byte decides
    EXPECT_TRUE(link.closeSession().complete());
    EXPECT_EQ(test.serial.sent(1).right(132).left(3), QByteArray::fromHex("C30800"));
    EXPECT_EQ(test.serial.sent(1).right(1), QByteArray::fromHex("4B"));
}

TEST_F(Link, SettleDropsTheRestOfAnAnswerUntilTheLineIsQuiet)
{
    scale.setTiming({true});
    // Six surplus bytes follow the answer on the line after the reply was taken: they would be
    // the first six of the next reply.
    giveScale(scale, "append B4 555555555555 x1");
    ASSERT_TRUE(link.readBlock(0x0700).complete());
    const qint64 taken = test.clock.nowMs();
    link.settle();
    EXPECT_GE(test.clock.nowMs(), taken + device::ScaleLink::kSettleQuietMs);
    EXPECT_LT(test.clock.nowMs(), taken + device::ScaleLink::kSettleQuietMs + 10);
    EXPECT_EQ(link.readBlock(0x0780).bytes.left(3), QByteArray::fromHex("B40780"));

    // A line that never goes quiet is given up on; a port that went away is not waited for.
    giveScale(scale,
              QStringLiteral("append B4 %1 x1").arg(QString(QByteArray(8000, char(0x55)).toHex())));
    ASSERT_TRUE(link.readBlock(0x0700).complete());
    const qint64 noisy = test.clock.nowMs();
    link.settle();
    EXPECT_EQ(test.clock.nowMs(), noisy + device::ScaleLink::kSettleLimitMs);
    test.serial.unplug(1);
    const qint64 unplugged = test.clock.nowMs();
    link.settle();
    EXPECT_EQ(test.clock.nowMs(), unplugged);
}

} // namespace
