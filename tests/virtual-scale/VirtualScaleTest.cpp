// The simulated boot firmware, as the scale's tests rely on it: each row is a script of frames
// and the answers the scale must give, with its faults set by the command's own options.

#include "VirtualScale.h"
#include "FaultOptions.h"

#include <gtest/gtest.h>

using namespace virtual_scale;

namespace {

// "C3 1000 +11" is the program frame of block 1000h filled with 11h; other frames are plain hex.
QByteArray frameOf(QByteArray text)
{
    const int fill = text.indexOf('+');
    QByteArray frame = QByteArray::fromHex(text.left(fill < 0 ? text.size() : fill));
    if (fill >= 0)
        frame += QByteArray(kBlockSize, char(text.mid(fill + 1).toInt(nullptr, 16)));
    return frame;
}

QByteArray ask(VirtualScale &scale, const QByteArray &frame, double atMs = 0)
{
    QByteArray out;
    for (const Delivery &d : scale.receive(frame, atMs))
        out += d.bytes;
    return out;
}

struct Step
{
    const char *frame;
    const char *answerStart; // hex; the answer must begin with it
    int answerLength;
};

struct Script
{
    const char *name;
    std::vector<std::pair<QString, QString>> options;
    std::vector<Step> steps;
    std::vector<std::pair<int, int>> flash; // address, byte after the script
};

} // namespace

TEST(VirtualScaleFirmware, AnswersEveryScriptAsTheScaleWould)
{
    const Script scripts[] = {
        {"the serial number block, its address echoed",
         {},
         {{"B40700", "B4070012345678FFFF", kReadReplyLength}},
         {}},
        {"programming needs a session opened with the scale's own number, on block boundaries",
         {},
         {{"C31000+11", "0F", 1},
          {"1E12345679", "0F", 1},
          {"1E12345678", "F0", 1},
          {"C31000+11", "F0", 1},
          {"C31040+22", "0F", 1},
          {"4B", "", 0},
          {"C31000+33", "0F", 1}},
         {{0x1000, 0x11}, {0x1040, 0x11}}},
        {"a stored byte changes the serial number without a session",
         {},
         {{"5A070399", "F0", 1}, {"1E12345678", "0F", 1}, {"1E12345699", "F0", 1}},
         {}},
        {"frames are found across noise; a frame cut short is forgotten",
         {},
         {{"0055B407", "", 0}, {"00", "B40700", kReadReplyLength}, {"B407", "", 0}},
         {}},
        {"refusals and silences wear off",
         {{"refuse-session", "1"}, {"refuse-block", "0x0100,2"}, {"drop-read", "0200"}},
         {{"1E12345678", "0F", 1},
          {"1E12345678", "F0", 1},
          {"C30100+01", "0F", 1},
          {"C30100+01", "0F", 1},
          {"C30100+01", "F0", 1},
          {"B40200", "", 0},
          {"B40200", "B40200FF", kReadReplyLength}},
         {{0x0100, 0x01}}},
        {"a corrupted read-back differs every time; the flash is right",
         {{"corrupt-read", "0180h,always"}},
         {{"1E12345678", "F0", 1},
          {"C30180+00", "F0", 1},
          {"B40180", "B4018001", kReadReplyLength},
          {"B40180", "B4018001", kReadReplyLength}},
         {{0x0180, 0x00}}},
        {"a flipped store is used up",
         {{"flip-stored", "0400"}},
         {{"1E12345678", "F0", 1}, {"C30400+00", "F0", 1}},
         {{0x0400, 0x01}}},
        {"a silent scale hears nothing",
         {{"silent", ""}},
         {{"C30180+00", "", 0}},
         {{0x0180, 0xFF}}},
    };
    for (const Script &script : scripts) {
        SCOPED_TRACE(script.name);
        VirtualScale scale;
        ASSERT_TRUE(scale.setSerialNumber(QStringLiteral("12345678")));
        for (const auto &[option, value] : script.options) {
            QString error;
            if (option == QLatin1String("silent"))
                scale.setSilent(true);
            else
                ASSERT_TRUE(addFaultOption(scale, option, value, &error)) << error.toStdString();
        }
        for (const Step &step : script.steps) {
            const QByteArray answer = ask(scale, frameOf(step.frame));
            EXPECT_EQ(answer.size(), step.answerLength) << step.frame;
            EXPECT_EQ(answer.left(qstrlen(step.answerStart) / 2).toHex().toUpper(),
                      QByteArray(step.answerStart))
                << step.frame;
        }
        for (const auto &[address, byte] : script.flash)
            EXPECT_EQ(scale.at(address), byte) << std::hex << address;
    }
}

TEST(VirtualScaleFirmware, OutsideASessionOnlyTheFirstTwoKilobytesReadAsStored)
{
    VirtualScale scale;
    QByteArray image(kFlashSize, 0);
    for (int i = 0; i < kFlashSize; ++i)
        image[i] = char(i / kBlockSize);
    scale.loadImage(image);
    scale.setSerialNumber(QStringLiteral("12345678"));
    EXPECT_EQ(ask(scale, frameOf("B40780")).mid(3), image.mid(0x0780, kBlockSize));
    EXPECT_EQ(ask(scale, frameOf("B407C0")).mid(3),
              image.mid(0x07C0, 64) + QByteArray(64, char(0xFF)));
    EXPECT_EQ(ask(scale, frameOf("B40800")).mid(3), QByteArray(kBlockSize, char(0xFF)));
    ask(scale, frameOf("1E12345678"));
    EXPECT_EQ(ask(scale, frameOf("B4FF80")).mid(3), image.mid(0xFF80, kBlockSize));
}

TEST(VirtualScaleFirmware, LateLongerAndCutAnswersAndTheLinePace)
{
    VirtualScale scale;
    scale.setSerialNumber(QStringLiteral("12345678"));
    scale.addFault(Fault::late(kOpenSession, 9'900, 1));
    scale.addFault(Fault::append(kOpenSession, QByteArray(1, 0)));
    scale.addFault(Fault::truncate(kReadBlock, 0x0700, 7));
    auto out = scale.receive(frameOf("1E12345678"), 500);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].atMs, 10'400);
    EXPECT_EQ(out[0].bytes, QByteArray::fromHex("F000"));
    EXPECT_EQ(ask(scale, frameOf("B40700")), QByteArray::fromHex("B4070012345678"));

    // At 19200 baud a read's 3 bytes go out and its 131 come back in 69.8 ms; a program block
    // waits for its 131 bytes and for the flash write.
    VirtualScale paced;
    paced.setSerialNumber(QStringLiteral("12345678"));
    paced.setTiming({true, kByteMs, 25.0});
    out = paced.receive(frameOf("B40700"), 0);
    ASSERT_EQ(out.size(), size_t(kReadReplyLength));
    EXPECT_NEAR(out.back().atMs, 69.8, 0.05);
    paced.receive(frameOf("1E12345678"), 100);
    out = paced.receive(frameOf("C30000+11"), 100);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NEAR(out[0].atMs, 100 + (5 + 131 + 1) * kByteMs + 25.0, 1e-9);
}
