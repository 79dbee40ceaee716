// The exchange with the scale in virtual time: stale input, and each reply judged by the length
// its command needs.

#include "TestPlatform.h"

#include "device/ScaleIdentity.h"
#include "device/ScaleLink.h"

#include <gtest/gtest.h>

using device::Reply;
using testing_support::giveScale;

namespace {

class Link : public ::testing::Test
{
protected:
    Link()
    {
        port->setPortNumber(1);
        port->open();
    }

    testing_support::TestPlatform test;
    virtual_scale::VirtualScale &scale = test.serial.addScale(1, QStringLiteral("20231187"));
    std::unique_ptr<platform::SerialPort> port = test.serial.createPort();
    device::ScaleLink link {*port, test.clock};
};

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

} // namespace
