// The simulated boot firmware: the frames it understands, its session rules, its faults and its
// line timing.

#include "VirtualScale.h"
#include "FaultOptions.h"

#include <gtest/gtest.h>

using namespace virtual_scale;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out.append(char(v));
    return out;
}

QByteArray readFrame(int address)
{
    return bytes({kReadBlock, address >> 8, address & 0xFF});
}

QByteArray programFrame(int address, char fill)
{
    return bytes({kProgramBlock, address >> 8, address & 0xFF}) + QByteArray(kBlockSize, fill);
}

QByteArray replies(const std::vector<Delivery> &deliveries)
{
    QByteArray out;
    for (const auto &d : deliveries)
        out += d.bytes;
    return out;
}

QByteArray ask(VirtualScale &scale, const QByteArray &frame)
{
    return replies(scale.receive(frame, 0));
}

const QByteArray kSession = bytes({kOpenSession, 0x12, 0x34, 0x56, 0x78});

} // namespace

TEST(VirtualScaleFirmware, ReadsTheSerialNumberBlockWithItsAddressEchoed)
{
    VirtualScale scale;
    ASSERT_TRUE(scale.setSerialNumber(QStringLiteral("12345678")));
    const QByteArray reply = ask(scale, readFrame(0x0700));
    ASSERT_EQ(reply.size(), kReadReplyLength);
    EXPECT_EQ(reply.left(7), bytes({0xB4, 0x07, 0x00, 0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(reply.mid(7), QByteArray(kBlockSize - 4, char(0xFF)));
    EXPECT_EQ(scale.serialNumber(), QStringLiteral("12345678"));
}

TEST(VirtualScaleFirmware, SerialNumberTextMustBeEightHexDigits)
{
    VirtualScale scale;
    EXPECT_TRUE(scale.setSerialNumber(QStringLiteral("1234ABCD")));
    EXPECT_EQ(scale.serialNumber(), QStringLiteral("1234ABCD"));
    EXPECT_FALSE(scale.setSerialNumber(QStringLiteral("1234567")));
    EXPECT_FALSE(scale.setSerialNumber(QStringLiteral("1234567G")));
    EXPECT_FALSE(scale.setSerialNumber(QStringLiteral("123456789")));
    EXPECT_EQ(scale.serialNumber(), QStringLiteral("1234ABCD"));
}

TEST(VirtualScaleFirmware, ProgrammingNeedsASessionOpenedWithTheScalesOwnNumber)
{
    VirtualScale scale;
    scale.setSerialNumber(QStringLiteral("12345678"));

    EXPECT_EQ(ask(scale, programFrame(0x1000, 0x11)), bytes({kRefused}));
    EXPECT_EQ(scale.at(0x1000), 0xFF);

    EXPECT_EQ(ask(scale, bytes({kOpenSession, 0x12, 0x34, 0x56, 0x79})), bytes({kRefused}));
    EXPECT_FALSE(scale.sessionOpen());
    EXPECT_EQ(ask(scale, kSession), bytes({kAccepted}));
    EXPECT_TRUE(scale.sessionOpen());

    EXPECT_EQ(ask(scale, programFrame(0x1000, 0x11)), bytes({kAccepted}));
    EXPECT_EQ(scale.flash().mid(0x1000, kBlockSize), QByteArray(kBlockSize, 0x11));
    EXPECT_EQ(ask(scale, programFrame(0x1040, 0x22)), bytes({kRefused})) << "off a block boundary";
    EXPECT_EQ(scale.at(0x1040), 0x11);

    EXPECT_TRUE(ask(scale, bytes({kCloseSession})).isEmpty());
    EXPECT_FALSE(scale.sessionOpen());
    EXPECT_EQ(ask(scale, programFrame(0x1000, 0x33)), bytes({kRefused}));
    EXPECT_EQ(scale.at(0x1000), 0x11);
}

TEST(VirtualScaleFirmware, OutsideASessionOnlyTheFirstTwoKilobytesReadAsStored)
{
    VirtualScale scale;
    QByteArray image(kFlashSize, 0);
    for (int i = 0; i < kFlashSize; ++i)
        image[i] = char(i / kBlockSize);
    scale.loadImage(image);
    scale.setSerialNumber(QStringLiteral("12345678"));

    EXPECT_EQ(ask(scale, readFrame(0x0780)).mid(3), image.mid(0x0780, kBlockSize));
    EXPECT_EQ(ask(scale, readFrame(0x0800)).mid(3), QByteArray(kBlockSize, char(0xFF)));
    EXPECT_EQ(ask(scale, readFrame(0x07C0)).mid(3),
              image.mid(0x07C0, 64) + QByteArray(64, char(0xFF)));
    ask(scale, kSession);
    EXPECT_EQ(ask(scale, readFrame(0x0800)).mid(3), image.mid(0x0800, kBlockSize));
    EXPECT_EQ(ask(scale, readFrame(0xFF80)).mid(3), image.mid(0xFF80, kBlockSize));
}

TEST(VirtualScaleFirmware, StoreByteChangesTheSerialNumberWithoutASession)
{
    VirtualScale scale;
    scale.setSerialNumber(QStringLiteral("12345678"));
    EXPECT_EQ(ask(scale, bytes({kStoreByte, 0x07, 0x03, 0x99})), bytes({kAccepted}));
    EXPECT_EQ(scale.serialNumber(), QStringLiteral("12345699"));
    EXPECT_EQ(ask(scale, kSession), bytes({kRefused}));
    EXPECT_EQ(ask(scale, bytes({kOpenSession, 0x12, 0x34, 0x56, 0x99})), bytes({kAccepted}));
}

TEST(VirtualScaleFirmware, FindsFramesAcrossWritesAndSkipsNoise)
{
    VirtualScale scale;
    scale.setSerialNumber(QStringLiteral("12345678"));
    EXPECT_TRUE(replies(scale.receive(bytes({0x00, 0x55, 0xB4, 0x07}), 0)).isEmpty());
    EXPECT_EQ(replies(scale.receive(bytes({0x00}), 10)).size(), kReadReplyLength);

    // A frame cut short and left alone is forgotten; the next command byte starts afresh.
    EXPECT_TRUE(replies(scale.receive(bytes({0xB4, 0x07}), 100)).isEmpty());
    EXPECT_EQ(replies(scale.receive(kSession, 1000)), bytes({kAccepted}));
    ASSERT_EQ(scale.frames().size(), 2u);
    EXPECT_EQ(scale.frames().back().command, kOpenSession);
}

TEST(VirtualScaleFaults, RefusalsAndSilenceCountDownThenTheScaleBehaves)
{
    VirtualScale scale;
    scale.setSerialNumber(QStringLiteral("12345678"));
    scale.addFault(Fault::refuse(kOpenSession, -1, 2));
    scale.addFault(Fault::refuse(kProgramBlock, 0x0100));
    scale.addFault(Fault::ignore(kReadBlock, 0x0200));

    EXPECT_EQ(ask(scale, kSession), bytes({kRefused}));
    EXPECT_EQ(ask(scale, kSession), bytes({kRefused}));
    EXPECT_EQ(ask(scale, kSession), bytes({kAccepted}));
    EXPECT_EQ(ask(scale, programFrame(0x0080, 1)), bytes({kAccepted}));
    EXPECT_EQ(ask(scale, programFrame(0x0100, 2)), bytes({kRefused}));
    EXPECT_EQ(scale.at(0x0100), 0xFF);
    EXPECT_EQ(ask(scale, programFrame(0x0100, 2)), bytes({kAccepted}));
    EXPECT_TRUE(ask(scale, readFrame(0x0200)).isEmpty());
    EXPECT_EQ(ask(scale, readFrame(0x0200)).size(), kReadReplyLength);

    scale.setSilent(true);
    EXPECT_TRUE(ask(scale, readFrame(0x0700)).isEmpty());
    EXPECT_TRUE(ask(scale, programFrame(0x0180, 3)).isEmpty());
    EXPECT_EQ(scale.at(0x0180), 0xFF) << "an unheard frame has no effect";
}

TEST(VirtualScaleFaults, CorruptedReadBackAndFlippedStoreDifferFromWhatWasSent)
{
    VirtualScale scale;
    scale.setSerialNumber(QStringLiteral("12345678"));
    scale.addFault(Fault::corrupt(kReadBlock, 0x0300, 3 + 5, 0x80, kAlways));
    scale.addFault(Fault::flipStored(kProgramBlock, 0x0400, 7, 0x01));

    ask(scale, kSession);
    ask(scale, programFrame(0x0300, 0x00));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(quint8(ask(scale, readFrame(0x0300)).at(8)), 0x80) << "every read";
    EXPECT_EQ(scale.at(0x0305), 0x00) << "the flash itself is right";

    EXPECT_EQ(ask(scale, programFrame(0x0400, 0x00)), bytes({kAccepted}));
    EXPECT_EQ(scale.at(0x0407), 0x01);
    ask(scale, programFrame(0x0400, 0x00));
    EXPECT_EQ(scale.at(0x0407), 0x00) << "the fault was used up";
}

TEST(VirtualScaleFaults, LateAndLongerAnswers)
{
    VirtualScale scale;
    scale.setSerialNumber(QStringLiteral("12345678"));
    scale.addFault(Fault::late(kOpenSession, 9'900, 1));
    scale.addFault(Fault::append(kOpenSession, bytes({0x00})));

    auto out = scale.receive(kSession, 500);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].atMs, 10'400);
    EXPECT_EQ(out[0].bytes, bytes({kAccepted, 0x00}));
    out = scale.receive(kSession, 20'000);
    EXPECT_EQ(out[0].atMs, 20'000);
}

TEST(VirtualScaleFaults, ShortAnswersAreCutAfterTheirOtherFaults)
{
    VirtualScale scale;
    scale.setSerialNumber(QStringLiteral("12345678"));
    scale.addFault(Fault::truncate(kReadBlock, 0x0700, 7, 2));
    scale.addFault(Fault::append(kReadBlock, bytes({0x55, 0x66})));
    scale.addFault(Fault::truncate(kOpenSession, -1, 0));

    const QByteArray cut = ask(scale, readFrame(0x0700));
    EXPECT_EQ(cut, bytes({kReadBlock, 0x07, 0x00, 0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(ask(scale, readFrame(0x0700)), cut);
    EXPECT_EQ(ask(scale, readFrame(0x0700)).size(), kReadReplyLength + 2) << "used up";
    EXPECT_TRUE(ask(scale, readFrame(0x0780)).endsWith(bytes({0x55, 0x66}))) << "other blocks";

    EXPECT_TRUE(ask(scale, kSession).isEmpty()) << "cut to nothing";
    EXPECT_TRUE(scale.sessionOpen()) << "a cut answer still acts";
    EXPECT_EQ(scale.frames().back().note, QStringLiteral("cut to 0 bytes"));
}

TEST(VirtualScaleTiming, PacedLineCountsFramesWhenTheyArriveAndAnswersAtLinePace)
{
    VirtualScale scale;
    scale.setSerialNumber(QStringLiteral("12345678"));
    scale.setTiming({true, kByteMs, 25.0});

    auto out = scale.receive(readFrame(0x0700), 0);
    ASSERT_EQ(out.size(), size_t(kReadReplyLength));
    EXPECT_DOUBLE_EQ(out.front().atMs, 4 * kByteMs);
    EXPECT_NEAR(out.back().atMs, 69.8, 0.05) << "134 bytes at 19200 baud";
    EXPECT_EQ(scale.bytesInFlight(0), 3);
    EXPECT_EQ(scale.bytesInFlight(1.1), 1);
    EXPECT_EQ(scale.bytesInFlight(2), 0);

    // The session was opened after the read's answer left; a program block then waits for its
    // 131 bytes and for the flash write.
    out = scale.receive(kSession, 100);
    const double sessionAnswer = out.back().atMs;
    EXPECT_NEAR(sessionAnswer, 100 + 6 * kByteMs, 1e-9);
    out = scale.receive(programFrame(0x0000, 0x11), 100);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NEAR(out[0].atMs, 100 + (5 + 131 + 1) * kByteMs + 25.0, 1e-9);
}

TEST(VirtualScaleFaults, CommandOptionsBecomeFaults)
{
    VirtualScale scale;
    scale.setSerialNumber(QStringLiteral("12345678"));
    QString error;
    ASSERT_TRUE(addFaultOption(scale, "refuse-session", "1", &error));
    ASSERT_TRUE(addFaultOption(scale, "refuse-block", "0x0100,2", &error));
    ASSERT_TRUE(addFaultOption(scale, "corrupt-read", "0180h,always", &error));
    ASSERT_TRUE(addFaultOption(scale, "drop-read", "0200", &error));

    EXPECT_EQ(ask(scale, kSession), bytes({kRefused}));
    EXPECT_EQ(ask(scale, kSession), bytes({kAccepted}));
    EXPECT_EQ(ask(scale, programFrame(0x0100, 1)), bytes({kRefused}));
    EXPECT_EQ(ask(scale, programFrame(0x0100, 1)), bytes({kRefused}));
    EXPECT_EQ(ask(scale, programFrame(0x0100, 1)), bytes({kAccepted}));
    EXPECT_EQ(quint8(ask(scale, readFrame(0x0180)).at(3)), 0xFE);
    EXPECT_EQ(quint8(ask(scale, readFrame(0x0180)).at(3)), 0xFE);
    EXPECT_TRUE(ask(scale, readFrame(0x0200)).isEmpty());

    for (const auto &bad : {std::pair("refuse-block", "0101"),
                            std::pair("drop-read", "10000"),
                            std::pair("refuse-session", "0"),
                            std::pair("late", "soon"),
                            std::pair("flip-stored", "0100,x")}) {
        error.clear();
        EXPECT_FALSE(addFaultOption(scale, bad.first, bad.second, &error)) << bad.first;
        EXPECT_TRUE(error.startsWith(QStringLiteral("--") + bad.first)) << error.toStdString();
    }
}
