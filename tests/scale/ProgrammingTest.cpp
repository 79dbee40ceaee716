// Programming and verify, and the read-back, against the virtual scale in virtual time: the frames
// in their order, the retry counts, what the screen is told, and what the scale ends up holding.

#include "TestPlatform.h"
#include "UpdateFile.h"

#include "device/Programming.h"
#include "device/ReadBack.h"
#include "device/ScaleIdentity.h"
#include "device/ScaleLink.h"

#include <gtest/gtest.h>

using device::RunOutcome;
using virtual_scale::Fault;
namespace vs = virtual_scale;

namespace {

const QString kSerial = QStringLiteral("20231187");

class RecordingObserver final : public device::RunObserver
{
public:
    std::vector<int> maxima;
    std::vector<int> values;
    QStringList lines;
    std::vector<RunOutcome> outcomes;
    bool hourglass = false;
    bool progressShown = false;

    void setHourglass(bool on) override { hourglass = on; }
    void showProgress(int maximum) override
    {
        maxima.push_back(maximum);
        progressShown = true;
    }
    void setProgress(int value) override { values.push_back(value); }
    void hideProgress() override { progressShown = false; }
    void setProgressLine(const QString &text) override { lines << text; }
    void ended(RunOutcome outcome) override { outcomes.push_back(outcome); }
};

class Run : public ::testing::Test
{
protected:
    Run()
    {
        port->setPortNumber(1);
        port->open();
        const QByteArray bytes = testing_support::programmedImage(source, kSerial);
        for (int a = 0; a < bytes.size(); ++a)
            image.set(a, quint8(bytes.at(a)));
    }

    RunOutcome program() { return device::programScale(link, image, counters, observer); }

    // The frames the scale got, as "C3 0100" (command and address, address left out for 1Eh
    // and 4Bh).
    QStringList frames() const
    {
        QStringList list;
        for (const vs::FrameRecord &record : scale.frames()) {
            QString name = QString::number(record.command, 16).toUpper();
            if (record.address >= 0)
                name
                    += QStringLiteral(" %1").arg(record.address, 4, 16, QLatin1Char('0')).toUpper();
            list << name;
        }
        return list;
    }
    int count(const QString &frame) const { return int(frames().count(frame)); }

    testing_support::TestPlatform test;
    vs::VirtualScale &scale = test.serial.addScale(1, kSerial);
    std::unique_ptr<platform::SerialPort> port = test.serial.createPort();
    device::ScaleLink link {*port, test.clock};
    QByteArray source = testing_support::applicationImage();
    core::FlashImage image;
    device::RunCounters counters;
    RecordingObserver observer;
};

QStringList blockFrames(const QString &command, int blocks)
{
    QStringList list;
    for (int b = 0; b < blocks; ++b)
        list << command + QStringLiteral(" %1").arg(b * 128, 4, 16, QLatin1Char('0')).toUpper();
    return list;
}

TEST_F(Run, AcceptingScaleGetsOneSessionAllBlocksTheVerifyAndTheClose)
{
    EXPECT_EQ(program(), RunOutcome::Done);
    const QStringList expected
        = QStringList {"1E"} + blockFrames("C3", 512) + blockFrames("B4", 512) + QStringList {"4B"};
    EXPECT_EQ(frames(), expected);
    EXPECT_EQ(scale.frames().front().frame, QByteArray::fromHex("1E20231187"));
    EXPECT_EQ(scale.flash(), image.all()); // the serial number at 0700h-0703h included
    EXPECT_FALSE(scale.sessionOpen());

    EXPECT_EQ(observer.outcomes, std::vector<RunOutcome> {RunOutcome::Done});
    EXPECT_EQ(observer.maxima, std::vector<int> {512});
    ASSERT_EQ(observer.values.size(), 1024u);
    EXPECT_EQ(observer.values.at(511), 255); // the high byte of FF80h
    EXPECT_EQ(observer.values.back(), 511);  // 256 on from the same while verifying
    EXPECT_FALSE(observer.hourglass);
    EXPECT_FALSE(observer.progressShown);
}

TEST_F(Run, RefusedBlockReopensTheSessionAndResumesThere)
{
    scale.addFault(Fault::refuse(vs::kProgramBlock, 0x0100));
    EXPECT_EQ(program(), RunOutcome::Done);
    const QStringList list = frames();
    EXPECT_EQ(list.mid(0, 6),
              (QStringList {"1E", "C3 0000", "C3 0080", "C3 0100", "1E", "C3 0100"}));
    EXPECT_EQ(count("1E"), 2);
    EXPECT_EQ(count("C3 0100"), 2);
    EXPECT_EQ(count("B4 0100"), 1);
    EXPECT_EQ(scale.flash(), image.all());
}

TEST_F(Run, ProgrammingGivesUpAtTheFourthFailureCountingReopenings)
{
    // Time-outs before the session was first open do not count in the programming phase.
    scale.addFault(Fault::ignore(vs::kOpenSession, -1, 3));
    // Block 2000h is refused three times and the first re-opening once: four in the phase.
    scale.addFault(Fault::refuse(vs::kProgramBlock, 0x2000, 3));
    bool reopeningRefused = false;
    scale.setFrameObserver([&](const vs::FrameRecord &record) {
        if (record.command == vs::kProgramBlock && record.address == 0x2000 && !reopeningRefused) {
            reopeningRefused = true;
            scale.addFault(Fault::refuse(vs::kOpenSession, -1, 1));
        }
    });
    EXPECT_EQ(program(), RunOutcome::ScaleLost);
    EXPECT_EQ(count("C3 2000"), 3);
    EXPECT_EQ(count("B4 0000"), 0);
    EXPECT_EQ(counters.address, 0x2000u);
    EXPECT_EQ(counters.retries, 4);
    EXPECT_TRUE(observer.hourglass); // left as it was for the error screen
}

TEST_F(Run, SessionNeverAnsweredOrRefusedEndsAfterFourTries)
{
    scale.addFault(Fault::ignore(vs::kOpenSession, -1, vs::kAlways));
    const qint64 started = test.clock.nowMs();
    EXPECT_EQ(program(), RunOutcome::ScaleLost);
    EXPECT_EQ(frames(), QStringList(4, QStringLiteral("1E")));
    EXPECT_GE(test.clock.nowMs() - started, 4 * 9'500);

    scale.clearFaults();
    scale.clearFrames();
    // Three silences and then a refusal: the fourth failure decides, and it is a refusal.
    scale.addFault(Fault::ignore(vs::kOpenSession, -1, 3));
    scale.addFault(Fault::refuse(vs::kOpenSession, -1, vs::kAlways));
    EXPECT_EQ(program(), RunOutcome::SerialRefused);
    EXPECT_EQ(frames(), QStringList(4, QStringLiteral("1E")));
}

TEST_F(Run, VerifyGivesUpAfterFourDifferingReadsAndPassesOnTheFourth)
{
    scale.addFault(Fault::corrupt(vs::kReadBlock, 0x4080, 3 + 17, 0x10, vs::kAlways));
    EXPECT_EQ(program(), RunOutcome::ScaleLost);
    EXPECT_EQ(count("B4 4080"), 4);
    EXPECT_EQ(frames().last(), QStringLiteral("B4 4080")); // no close: the error screen takes over

    scale.clearFaults();
    scale.clearFrames();
    // A wrong address echo counts like wrong data; three, then a good read.
    scale.addFault(Fault::corrupt(vs::kReadBlock, 0xFF80, 1, 0x01, 3));
    EXPECT_EQ(program(), RunOutcome::Done);
    EXPECT_EQ(count("B4 FF80"), 4);
    EXPECT_EQ(frames().last(), QStringLiteral("4B"));
}

// On a line at the scale's pace, surplus bytes still arrive after the reply was taken: six after
// one read-back, and a read-back answered 10.8 s late (after its wait, so it lands in the retry,
// and the retry's own answer in the next block's wait). Each costs retries, not the run.
TEST_F(Run, TheRestOfAnOverlongOrLateAnswerCostsARetryNotTheRun)
{
    scale.setTiming({true});
    scale.addFault(Fault::append(vs::kReadBlock, QByteArray::fromHex("B42580FFFFFF"), 1));
    auto late = Fault::late(vs::kReadBlock, 10'800, 1);
    late.address = 0x9E00;
    scale.addFault(late);
    EXPECT_EQ(program(), RunOutcome::Done);
    EXPECT_EQ(count("B4 0080"), 2);
    EXPECT_EQ(count("B4 9E00"), 2);
    EXPECT_EQ(count("B4 9E80"), 2);
    EXPECT_EQ(count("B4 A000"), 1);
    EXPECT_EQ(scale.flash(), image.all());
}

TEST_F(Run, ProgressLineTellsPhaseBlockAndATimeLeftThatHolds)
{
    scale.setTiming({true});
    const qint64 started = test.clock.nowMs();
    std::map<QString, qint64> lineAt;
    scale.setFrameObserver([&](const vs::FrameRecord &) {
        lineAt.emplace(observer.lines.last(), test.clock.nowMs());
    });
    EXPECT_EQ(program(), RunOutcome::Done);
    const qint64 total = test.clock.nowMs() - started;
    EXPECT_GE(total, 70'940);
    EXPECT_LE(total, 72'400);

    EXPECT_EQ(observer.lines.at(1), QStringLiteral("Programming block 1 of 512"));
    const auto half = std::find_if(observer.lines.begin(), observer.lines.end(), [](auto &l) {
        return l.startsWith(QStringLiteral("Programming block 257 of 512, about "));
    });
    ASSERT_NE(half, observer.lines.end());
    // About 53 s are left at block 257; the estimate stays within a few seconds of the truth.
    const QString left = half->section(QStringLiteral("about "), 1).section(QLatin1Char(' '), 0, 0);
    const int claimed = left.toInt();
    const qint64 actual = (started + total - lineAt.at(*half)) / 1000;
    EXPECT_NEAR(claimed, actual, 3) << half->toStdString();
    EXPECT_TRUE(observer.lines.last().startsWith(QStringLiteral("Verifying block 512 of 512")));
}

TEST(RunText, DurationsAndTheImageChecksum)
{
    EXPECT_EQ(device::durationText(400), QStringLiteral("1 s"));
    EXPECT_EQ(device::durationText(59'400), QStringLiteral("59 s"));
    EXPECT_EQ(device::durationText(65'000), QStringLiteral("1 min 5 s"));
    EXPECT_EQ(device::progressText(device::Phase::Reading, 3, 16, -1),
              QStringLiteral("Reading block 3 of 16"));
    EXPECT_EQ(device::crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(device::crc32(QByteArray()), 0u);
}

TEST_F(Run, LdromReadSendsSixteenReadsAndNothingElse)
{
    image.erase();
    EXPECT_EQ(device::readLdrom(link, image, counters, observer), RunOutcome::Done);
    QByteArray expected;
    for (int b = 0; b < 16; ++b)
        expected += QByteArray::fromHex("B4") + char(b * 128 >> 8) + char(b * 128 & 0xFF);
    EXPECT_EQ(test.serial.sent(1), expected);
    EXPECT_EQ(image.bytes(0, 0x800), scale.flash().left(0x800));
    EXPECT_EQ(image.bytes(0x800, 0x10000 - 0x800), QByteArray(0x10000 - 0x800, char(0xFF)));
    EXPECT_EQ(observer.maxima, std::vector<int> {7});
    EXPECT_EQ(observer.values.back(), 7);
}

TEST_F(Run, ApromReadOpensWithTheSerialNumberAndAlwaysEndsWithTheClose)
{
    scale.loadImage(testing_support::programmedImage(source, kSerial));
    image.erase();
    device::writeSerialNumber(image, kSerial);
    // A block that times out three times is read on the fourth try; the read goes on.
    scale.addFault(Fault::ignore(vs::kReadBlock, 0x1000, 3));
    EXPECT_EQ(device::readAprom(link, image, counters, observer), RunOutcome::Done);
    EXPECT_EQ(test.serial.sent(1).left(5), QByteArray::fromHex("1E20231187"));
    EXPECT_EQ(test.serial.sent(1).right(1), QByteArray::fromHex("4B"));
    EXPECT_EQ(image.all(), scale.flash());
    EXPECT_EQ(observer.maxima, std::vector<int> {256});

    // The rest of a late answer that names another block is not taken for this block's bytes.
    scale.setTiming({true});
    image.erase();
    device::writeSerialNumber(image, kSerial);
    auto late = Fault::late(vs::kReadBlock, 10'800, 1);
    late.address = 0x2000;
    scale.addFault(late);
    EXPECT_EQ(device::readAprom(link, image, counters, observer), RunOutcome::Done);
    EXPECT_EQ(image.all(), scale.flash());
    scale.setTiming({false});

    // The fourth time-out anywhere in the area ends the read; the close still goes out.
    test.serial.clearRecords();
    scale.clearFrames();
    scale.addFault(Fault::ignore(vs::kReadBlock, 0x0200, 2));
    scale.addFault(Fault::ignore(vs::kReadBlock, 0x9000, 2));
    EXPECT_EQ(device::readAprom(link, image, counters, observer), RunOutcome::ScaleLost);
    EXPECT_EQ(counters.address, 0x9000u);
    EXPECT_EQ(test.serial.sent(1).right(1), QByteArray::fromHex("4B"));

    test.serial.clearRecords();
    device::writeSerialNumber(image, QStringLiteral("11111111"));
    EXPECT_EQ(device::readAprom(link, image, counters, observer), RunOutcome::SerialRefused);
    EXPECT_EQ(test.serial.sent(1), QByteArray::fromHex("1E11111111").repeated(4) + "\x4B");
    EXPECT_EQ(observer.outcomes.back(), RunOutcome::SerialRefused);
}

} // namespace
