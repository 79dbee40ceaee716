// The in-process serial ports with virtual scales that the scale link's tests run on.

#include "TestPlatform.h"

#include "platform/SerialPort.h"

#include <gtest/gtest.h>

using platform::SerialError;
using testing_support::TestPlatform;
using testing_support::VirtualScaleSerial;
using PortState = VirtualScaleSerial::PortState;

namespace {

std::unique_ptr<platform::SerialPort> openPort(platform::SerialSystem &ports, int number)
{
    auto port = ports.createPort();
    port->setCommPort(number);
    port->open();
    return port;
}

SerialError::Kind openFailure(platform::SerialSystem &ports, int number)
{
    try {
        openPort(ports, number);
    } catch (const SerialError &error) {
        return error.kind();
    }
    return SerialError::Kind::Other;
}

QString openText(platform::SerialSystem &ports, int number)
{
    try {
        openPort(ports, number);
    } catch (const SerialError &error) {
        return error.text();
    }
    return QString();
}

const QByteArray kRead0700("\xB4\x07\x00", 3);

} // namespace

TEST(VirtualSerialPorts, ListAndRefuseTheWayTheSystemWould)
{
    TestPlatform test;
    EXPECT_TRUE(test.serial.portNames().isEmpty());
    test.serial.addPort(4, PortState::Busy);
    test.serial.addPort(1, PortState::Absent);
    test.serial.addScale(3);
    test.serial.addPort(2, PortState::Forbidden);
    test.serial.addPort(10, PortState::Empty);
    EXPECT_EQ(test.serial.portNames(), QStringList({"COM4", "COM1", "COM3", "COM2", "COM10"}));

    EXPECT_EQ(openFailure(test.serial, 1), SerialError::Kind::NotFound);
    EXPECT_EQ(openText(test.serial, 1), QStringLiteral("COM1 is not there."));
    EXPECT_EQ(openFailure(test.serial, 7), SerialError::Kind::NotFound);
    EXPECT_EQ(openFailure(test.serial, 4), SerialError::Kind::Busy);
    EXPECT_TRUE(openText(test.serial, 4).contains(QStringLiteral("in use by another program")));
    EXPECT_EQ(openFailure(test.serial, 2), SerialError::Kind::PermissionDenied);
    EXPECT_TRUE(openText(test.serial, 2).contains(QStringLiteral("dialout")));
    EXPECT_TRUE(openText(test.serial, 2).contains(QStringLiteral("log out")));

    auto first = openPort(test.serial, 3);
    EXPECT_EQ(openFailure(test.serial, 3), SerialError::Kind::Busy)
        << "a second open of an open port";
    first->close();
    EXPECT_NO_THROW(openPort(test.serial, 3));
    EXPECT_EQ(test.serial.opens(3), 2);

    auto empty = openPort(test.serial, 10);
    empty->output(kRead0700);
    test.clock.waitForEvents(20'000);
    EXPECT_EQ(empty->inBufferCount(), 0);
    EXPECT_EQ(test.serial.sent(10), kRead0700);
}

TEST(VirtualSerialPorts, UnpacedAnswersWaitAsSoonAsTheFrameIsHandedOver)
{
    TestPlatform test;
    test.serial.addScale(3, QStringLiteral("87654321"));
    auto port = test.serial.createPort();
    port->setCommPort(3);
    EXPECT_THROW(port->output(kRead0700), SerialError);
    platform::SerialSettings settings;
    settings.inputLen = 100;
    port->configure(settings);
    port->open();

    port->output(kRead0700);
    EXPECT_EQ(port->outBufferCount(), 0);
    EXPECT_EQ(port->inBufferCount(), 131);
    const QByteArray first = port->input();
    EXPECT_EQ(first.size(), 100) << "a read stops at InputLen";
    EXPECT_EQ(first.mid(3, 4), QByteArray("\x87\x65\x43\x21", 4));
    EXPECT_EQ(port->input().size(), 31);
    EXPECT_TRUE(port->input().isEmpty());

    port->output(kRead0700);
    port->clearInput();
    EXPECT_EQ(port->inBufferCount(), 0);
    EXPECT_EQ(test.serial.received(3).size(), 2 * 131);
    EXPECT_EQ(test.serial.scale(3)->frames().size(), 2u);
}

TEST(VirtualSerialPorts, PacedLineDrainsAndAnswersOnTheVirtualClock)
{
    TestPlatform test;
    test.serial.addScale(3).setTiming({true});
    auto port = openPort(test.serial, 3);
    const qint64 start = test.clock.nowMs();
    port->output(kRead0700);
    EXPECT_EQ(port->outBufferCount(), 3);
    EXPECT_EQ(port->inBufferCount(), 0);
    test.clock.advance(2);
    EXPECT_EQ(port->outBufferCount(), 0);

    while (port->inBufferCount() < 131 && test.clock.nowMs() - start < 1000)
        test.clock.waitForEvents(1000);
    EXPECT_EQ(port->inBufferCount(), 131);
    EXPECT_EQ(test.clock.nowMs() - start, 70) << "134 bytes at 19200 baud, whole milliseconds";
}

TEST(VirtualSerialPorts, AnswersForAClosedOrUnpluggedPortAreLost)
{
    TestPlatform test;
    test.serial.addScale(3).addFault(virtual_scale::Fault::late(-1, 500));

    auto port = openPort(test.serial, 3);
    port->output(kRead0700);
    port->close();
    port->open();
    test.clock.waitForEvents(1000);
    EXPECT_EQ(port->inBufferCount(), 0) << "the answer was for the earlier opening";

    port->output(kRead0700);
    test.serial.unplug(3);
    EXPECT_FALSE(port->isOpen());
    EXPECT_THROW(port->output(kRead0700), SerialError);
    test.clock.waitForEvents(1000);
    EXPECT_EQ(port->inBufferCount(), 0);
    EXPECT_EQ(openFailure(test.serial, 3), SerialError::Kind::NotFound);
}

TEST(VirtualSerialPorts, WrongLineSettingsReachTheScaleAsNoise)
{
    TestPlatform test;
    test.serial.addScale(3);
    auto port = test.serial.createPort();
    port->setCommPort(3);
    platform::SerialSettings settings;
    settings.baudRate = 9600;
    port->configure(settings);
    port->open();
    port->output(kRead0700);
    test.clock.waitForEvents(100);
    EXPECT_EQ(port->inBufferCount(), 0);
    EXPECT_EQ(test.serial.lastSettings(3).baudRate, 9600);
}
