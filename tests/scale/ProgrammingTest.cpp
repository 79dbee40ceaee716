// Programming, verify and the service tools' read-back against the virtual scale in virtual time.
// Each row gives the scale's faults in words (virtual_scale::parseFault, "paced" for a line at the
// scale's pace), the outcome, and every frame the scale got, runs of blocks written "C3 0000-FF80";
// what the scale holds must equal the image, or the image what the scale holds.

#include "TestPlatform.h"
#include "UpdateFile.h"

#include "device/Programming.h"
#include "device/ReadBack.h"
#include "device/ScaleIdentity.h"
#include "device/ScaleLink.h"

#include <gtest/gtest.h>

using device::RunOutcome;
using testing_support::applicationImage;
using testing_support::programmedImage;
namespace vs = virtual_scale;

namespace {

const QString kSerial = QStringLiteral("20231187");

class RecordingObserver final : public device::RunObserver
{
public:
    std::vector<core::RunProgress> reports;

    void progress(const core::RunProgress &progress) override { reports.push_back(progress); }
};

enum class Job { Program, ReadLdrom, ReadAprom, ReadAnotherSerial };

// The frames as "1E C3 0000-0100 1E C3 0100-FF80 ...": a frame that names the block after the
// one before it (same command) extends that one's run.
QString framesText(const std::vector<vs::FrameRecord> &frames)
{
    QStringList words;
    int runFrom = -1;
    int last = -2;
    quint8 lastCommand = 0;
    const auto closeRun = [&] {
        if (runFrom >= 0 && last != runFrom)
            words.last() += QStringLiteral("-%1").arg(last, 4, 16, QLatin1Char('0')).toUpper();
    };
    for (const vs::FrameRecord &record : frames) {
        if (record.command == lastCommand && record.address >= 0 && record.address == last + 128) {
            last = record.address;
            continue;
        }
        closeRun();
        QString word = QString::number(record.command, 16).toUpper();
        if (record.address >= 0 && record.command != vs::kCloseSession)
            word += QStringLiteral(" %1").arg(record.address, 4, 16, QLatin1Char('0')).toUpper();
        words << word;
        lastCommand = record.command;
        runFrom = last = record.command == vs::kCloseSession ? -2 : record.address;
    }
    closeRun();
    return words.join(QLatin1Char(' '));
}

struct Result
{
    RunOutcome outcome;
    QString frames;
};

class Run : public ::testing::Test
{
protected:
    Run()
    {
        port->setPortNumber(1);
        port->open();
        image.erase();
    }

    Result run(Job job, const QString &faults)
    {
        for (const QString &words : faults.split(QLatin1Char(','), Qt::SkipEmptyParts))
            testing_support::giveScale(scale, words);
        RunOutcome outcome = RunOutcome::Done;
        switch (job) {
        case Job::Program: {
            const QByteArray bytes = programmedImage(applicationImage(), kSerial);
            for (int a = 0; a < bytes.size(); ++a)
                image.set(a, quint8(bytes.at(a)));
        }
            outcome = device::programScale(link, image, counters, observer);
            if (outcome == RunOutcome::Done) {
                EXPECT_EQ(scale.flash(), image.all());
            }
            break;
        case Job::ReadLdrom:
            outcome = device::readLdrom(link, image, counters, observer);
            EXPECT_EQ(image.all(), scale.flash().left(0x800) + QByteArray(0xF800, char(0xFF)));
            break;
        case Job::ReadAprom:
        case Job::ReadAnotherSerial:
            scale.loadImage(programmedImage(applicationImage(), kSerial));
            device::writeSerialNumber(image,
                                      job == Job::ReadAprom ? kSerial : QStringLiteral("11111111"));
            outcome = device::readAprom(link, image, counters, observer);
            if (outcome == RunOutcome::Done) {
                EXPECT_EQ(image.all(), scale.flash());
            }
            break;
        }
        return {outcome, framesText(scale.frames())};
    }

    testing_support::TestPlatform test;
    vs::VirtualScale &scale = test.serial.addScale(1, kSerial);
    std::unique_ptr<platform::SerialPort> port = test.serial.createPort();
    device::ScaleLink link {*port, test.clock};
    core::FlashImage image;
    device::RunCounters counters;
    RecordingObserver observer;
};

} // namespace

TEST_F(Run, EveryFaultCostsRetriesOrEndsTheRunAsTheUserIsTold)
{
    const QString all = "1E C3 0000-FF80 B4 0000-FF80 4B";
    const struct
    {
        const char *what;
        Job job;
        const char *faults;
        RunOutcome outcome;
        QString frames;
    } rows[] = {
        // clang-format off
        {"an accepting scale", Job::Program, "", RunOutcome::Done, all},
        {"a refused block reopens the session and resumes there", Job::Program, "refuse C3 @0100",
         RunOutcome::Done, "1E C3 0000-0100 1E C3 0100-FF80 B4 0000-FF80 4B"},
        {"the fourth failure of the programming ends it, a refused reopening counted",
         Job::Program, "ignore 1E x3, refuse C3 @2000 x3, refuse 1E after 4",
         RunOutcome::ScaleLost, "1E 1E 1E 1E C3 0000-2000 1E 1E C3 2000 1E C3 2000"},
        {"a session never answered", Job::Program, "ignore 1E always", RunOutcome::ScaleLost,
         "1E 1E 1E 1E"},
        {"three silences and a refusal: the refusal decides", Job::Program,
         "ignore 1E x3, refuse 1E always", RunOutcome::SerialRefused, "1E 1E 1E 1E"},
        {"four differing reads of a block end the verify, with no close", Job::Program,
         "corrupt B4 @4080 20:10 always", RunOutcome::ScaleLost,
         "1E C3 0000-FF80 B4 0000-4080 B4 4080 B4 4080 B4 4080"},
        {"a wrong address echo counts like wrong data; the fourth read passes", Job::Program,
         "corrupt B4 @FF80 1:01 x3", RunOutcome::Done,
         "1E C3 0000-FF80 B4 0000-FF80 B4 FF80 B4 FF80 B4 FF80 4B"},
        {"the rest of an overlong or late answer costs a retry, not the run", Job::Program,
         "paced, append B4 B42580FFFFFF x1, late B4 @9E00 10800 x1", RunOutcome::Done,
         "1E C3 0000-FF80 B4 0000-0080 B4 0080-9E00 B4 9E00-9E80 B4 9E80-FF80 4B"},
        {"LDROM: sixteen reads and nothing else", Job::ReadLdrom, "", RunOutcome::Done,
         "B4 0000-0780"},
        {"APROM: a block silent three times is read on the fourth; the close goes out",
         Job::ReadAprom, "ignore B4 @1000 x3", RunOutcome::Done,
         "1E B4 0000-1000 B4 1000 B4 1000 B4 1000-FF80 4B"},
        {"APROM: a late answer naming another block is not taken for this one", Job::ReadAprom,
         "paced, late B4 @2000 10800 x1", RunOutcome::Done,
         "1E B4 0000-2000 B4 2000-2080 B4 2080-FF80 4B"},
        {"APROM: the fourth time-out in the area ends the read, with the close", Job::ReadAprom,
         "ignore B4 @0A00 x2, ignore B4 @9000 x2", RunOutcome::ScaleLost,
         "1E B4 0000-0A00 B4 0A00 B4 0A00-9000 B4 9000 4B"},
        {"APROM: another serial number is refused four times, then closed",
         Job::ReadAnotherSerial, "", RunOutcome::SerialRefused, "1E 1E 1E 1E 4B"},
        // clang-format on
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        scale.clearFaults();
        scale.clearFrames();
        scale.setTiming({false});
        scale.loadImage(QByteArray(vs::kFlashSize, char(0xFF)));
        scale.setSerialNumber(kSerial);
        image.erase();
        const Result result = run(row.job, QString::fromLatin1(row.faults));
        EXPECT_EQ(result.outcome, row.outcome);
        EXPECT_EQ(result.frames, row.frames);
        EXPECT_FALSE(scale.sessionOpen() && row.outcome == RunOutcome::Done);
    }
}

TEST_F(Run, ProgressCountsEveryBlockAndTheTimeLeftHolds)
{
    using Phase = core::RunProgress::Phase;
    scale.setTiming({true});
    const qint64 started = test.clock.nowMs();
    std::vector<qint64> reportedAt;
    scale.setFrameObserver([&](const vs::FrameRecord &) {
        reportedAt.resize(observer.reports.size(), test.clock.nowMs());
    });
    EXPECT_EQ(run(Job::Program, {}).outcome, RunOutcome::Done);
    const qint64 total = test.clock.nowMs() - started;
    EXPECT_GE(total, 70'940);
    EXPECT_LE(total, 72'400);

    const auto &reports = observer.reports;
    ASSERT_EQ(reports.size(), 1025u);
    EXPECT_EQ(reports.at(0), (core::RunProgress {Phase::Opening, 1, 512, -1}));
    EXPECT_EQ(reports.at(1), (core::RunProgress {Phase::Programming, 1, 512, -1}));
    EXPECT_EQ(reports.back().phase, Phase::Verifying);
    EXPECT_EQ(reports.back().block, 512);
    // About 53 s are left at block 257; the estimate stays within a few seconds of the truth.
    const core::RunProgress &half = reports.at(257);
    ASSERT_EQ(half.block, 257);
    EXPECT_NEAR(half.msLeft / 1000, (started + total - reportedAt.at(257)) / 1000, 3);
}
