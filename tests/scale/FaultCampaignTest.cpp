// The fault campaign: whole automatic update runs of the update window against a virtual scale
// that misbehaves at random, on a paced 19200-baud line in virtual time. Every run must end on
// the success screen with the scale's flash equal to the image byte for byte, or on an error the
// user sees (the scale-error screen, or "Serial number wrong" when the scale keeps refusing the
// session). A success with any difference in the flash is the one end that must never happen;
// no screen, both screens or a run that never ends are faults too.
//
// Each run is drawn from its seed alone (std::mt19937, no library distributions, one draw per
// statement, so the draws are the same everywhere): the scale's serial number, its old firmware,
// the update file's image, the scale's flash write time and one to four faults, each written as
// "kind: the scale's fault words" (or a port that vanishes). The suite runs a few dozen seeds;
// bench/fault-campaign runs a thousand and sums up the log. Environment:
//   KOVARA_CAMPAIGN_RUNS   how many seeds (default 50)
//   KOVARA_CAMPAIGN_SEED   the first seed (default 1); with RUNS=1 it replays one run
//   KOVARA_CAMPAIGN_LOG    a file that gets one line per run (seed, faults, end, times)

#include "TestPlatform.h"
#include "UpdateFile.h"

#include "FaultOptions.h"
#include "core/FlashImage.h"
#include "device/ScaleIdentity.h"

#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>

namespace vs = virtual_scale;

namespace {

constexpr int kBlocks = vs::kFlashSize / vs::kBlockSize;
// A run that has not ended after this much virtual time or this many frames is stuck; the port
// is then pulled so that the run comes back and is counted as a hang.
constexpr qint64 kRunTimeLimitMs = 30 * 60 * 1000;
constexpr int kFrameLimit = 6000;

// Draws from the seed's generator; the modulo's bias does not matter here, being the same
// everywhere does.
class Draw
{
public:
    explicit Draw(quint32 seed)
        : m_random(seed)
    { }
    int between(int low, int high) { return low + int(m_random() % quint32(high - low + 1)); }
    bool oneIn(int n) { return between(1, n) == 1; }
    quint8 byte() { return quint8(m_random()); }
    QString mask() { return QString::number(between(1, 255), 16); }
    int block() { return between(0, kBlocks - 1) * vs::kBlockSize; }
    int anyCommand()
    {
        static const std::array<int, 3> commands {
            vs::kOpenSession, vs::kProgramBlock, vs::kReadBlock};
        return commands.at(size_t(between(0, 2)));
    }
    // " @ADDR" of a block of the command, none for the session; a read hits the serial number's
    // block (the serial number read and its verify) now and then.
    QString addressFor(int command)
    {
        if (command == vs::kOpenSession)
            return {};
        return at(command == vs::kReadBlock && oneIn(8) ? vs::kSerialAddress : block());
    }
    static QString at(int address)
    {
        return QStringLiteral(" @%1").arg(address, 4, 16, QLatin1Char('0'));
    }
    static QString name(int command) { return QString::number(command, 16); }

private:
    std::mt19937 m_random;
};

struct Plan
{
    quint32 seed = 0;
    QString serial;
    QByteArray oldFirmware; // the scale's flash before the run
    QByteArray image;       // the update file's contents
    int codeBytes = 0;
    int flashWriteMs = 0;
    QStringList faults;                       // "kind: words"
    std::vector<std::pair<int, int>> unplugs; // the port vanishes this long after frame N

    QString text() const
    {
        return QStringLiteral("seed %1: scale %2, %3 bytes of code, flash write %4 ms; faults: %5")
            .arg(seed)
            .arg(serial)
            .arg(codeBytes)
            .arg(flashWriteMs)
            .arg(faults.join(QStringLiteral("; ")));
    }
};

// Code of a random length followed by erased flash, the area marker and the serial number.
QByteArray firmware(Draw &draw, const QString &serial, int *codeBytes)
{
    QByteArray image(vs::kFlashSize, char(0xFF));
    const int length = draw.between(4, 60) * 1024;
    for (int a = 0; a < length; ++a)
        image[a] = char(draw.byte());
    image[core::FlashImage::kAreaMarkerAddress] = char(core::FlashImage::kApromMarker);
    image.replace(vs::kSerialAddress, 4, device::serialNumberBytes(serial));
    if (codeBytes)
        *codeBytes = length;
    return image;
}

// The kinds of fault, each drawn after its kind and its count (" xN", which a kind may leave
// out): the scale's fault words. One draw per statement keeps the order of the draws.
using FaultWords = QString (*)(Draw &, const QString &times);
const std::array<std::pair<const char *, FaultWords>, 9> kFaultKinds {{
    {"silence",
     [](Draw &draw, const QString &times) -> QString {
         const int command = draw.anyCommand();
         return "ignore " + Draw::name(command) + draw.addressFor(command) + times;
     }},
    {"session refused",
     [](Draw &, const QString &times) -> QString {
         return "refuse 1e" + times;
     }},
    {"block refused",
     [](Draw &draw, const QString &times) -> QString {
         return "refuse c3" + Draw::at(draw.block()) + times;
     }},
    {"wrong first byte",
     [](Draw &draw, const QString &times) -> QString {
         const int command = draw.anyCommand();
         const QString mask = draw.mask();
         return "corrupt " + Draw::name(command) + draw.addressFor(command) + " 0:" + mask + times;
     }},
    {"short reply",
     [](Draw &draw, const QString &times) -> QString {
         const int command = draw.oneIn(4) ? draw.anyCommand() : vs::kReadBlock;
         const int keep = command == vs::kReadBlock ? draw.between(0, vs::kReadReplyLength - 1) : 0;
         return "truncate " + Draw::name(command) + draw.addressFor(command) + ' '
             + QString::number(keep) + times;
     }},
    {"long reply",
     [](Draw &draw, const QString &times) -> QString {
         const int command = draw.anyCommand();
         QByteArray extra;
         for (int n = draw.between(1, 8); n > 0; --n)
             extra.append(char(draw.byte()));
         return "append " + Draw::name(command) + draw.addressFor(command) + ' '
             + QString::fromLatin1(extra.toHex()) + times;
     }},
    {"flipped bit in read-back",
     [](Draw &draw, const QString &times) -> QString {
         const QString mask = draw.mask();
         const int index = draw.between(3, vs::kReadReplyLength - 1);
         return "corrupt b4" + draw.addressFor(vs::kReadBlock) + QStringLiteral(" %1:").arg(index)
             + mask + times;
     }},
    {"flipped bit kept in flash",
     [](Draw &draw, const QString &) -> QString {
         const int count = draw.between(1, 2);
         const QString mask = draw.mask();
         const int index = draw.between(0, vs::kBlockSize - 1);
         return "flip c3" + Draw::at(draw.block())
             + QStringLiteral(" %1:%2 x%3").arg(index).arg(mask).arg(count);
     }},
    // Around the reply deadline (9.5 to 10.5 s after the frame left): the answer comes in time,
    // or after the next exchange has started.
    {"late reply (9-11 s)",
     [](Draw &draw, const QString &) -> QString {
         const int command = draw.anyCommand();
         const int count = draw.between(1, 4);
         const int delay = draw.between(9000, 11000);
         const QString address = draw.oneIn(4) ? QString() : draw.addressFor(command);
         return "late " + Draw::name(command) + address
             + QStringLiteral(" %1 x%2").arg(delay).arg(count);
     }},
}};

void drawFault(Draw &draw, Plan &plan)
{
    const size_t kind = size_t(draw.between(0, 9));
    const QString times = QStringLiteral(" x%1").arg(draw.between(1, 5));
    if (kind < kFaultKinds.size()) {
        const auto &[name, words] = kFaultKinds.at(kind);
        plan.faults << QString::fromLatin1(name) + QStringLiteral(": ") + words(draw, times);
        return;
    }
    // The port vanishes. A whole run has 1027 frames: the serial number, the session, 512 blocks
    // programmed and 512 read back, the closing byte.
    const int frame = draw.between(1, 1027);
    const int delay = draw.between(0, 200);
    plan.unplugs.emplace_back(frame, delay);
    plan.faults << QStringLiteral("port vanishes: %1 ms after frame %2").arg(delay).arg(frame);
}

Plan drawPlan(quint32 seed)
{
    Draw draw(seed);
    Plan plan;
    plan.seed = seed;
    for (int digit = 0; digit < 8; ++digit)
        plan.serial += QLatin1Char(char('0' + draw.between(0, 9)));
    plan.oldFirmware = firmware(draw, plan.serial, nullptr);
    plan.image = firmware(draw, plan.serial, &plan.codeBytes);
    plan.flashWriteMs = draw.between(0, 8);
    for (int n = draw.between(1, 4); n > 0; --n)
        drawFault(draw, plan);
    return plan;
}

enum class End {
    Success,       // the success screen, the flash equal to the image
    ErrorScreen,   // the scale-error screen
    SerialRefused, // "Serial number wrong", the update window stays for its service tools
    WrongSuccess,  // the success screen with a difference in the flash
    NoScreen,
    BothScreens,
    UnexpectedMessage,
    Hang,
};
const std::array<const char *, 8> kEndNames {"success, flash verified",
                                             "scale-error screen",
                                             "\"Serial number wrong\"",
                                             "WRONG SUCCESS (flash differs)",
                                             "no screen",
                                             "both screens",
                                             "unexpected message",
                                             "hang"};

struct Result
{
    End end = End::NoScreen;
    qint64 virtualMs = 0;
    int frames = 0;
    int resentFrames = 0; // frames sent again for a block or session already sent (retries)
    QString detail;

    bool ok() const
    {
        return end == End::Success || end == End::ErrorScreen || end == End::SerialRefused;
    }
};

// One whole automatic run through the update window, as the wizard starts it.
Result runPlan(const Plan &plan)
{
    testing_support::TestPlatform test;
    vs::VirtualScale &scale = test.serial.addScale(1, plan.serial);
    scale.loadImage(plan.oldFirmware);
    scale.setTiming({true, vs::kByteMs, double(plan.flashWriteMs)});
    Result result;
    for (const QString &fault : plan.faults) {
        if (fault.startsWith(QLatin1String("port vanishes")))
            continue;
        const auto parsed = vs::parseFault(fault.section(QStringLiteral(": "), 1), &result.detail);
        if (!parsed)
            return result;
        scale.addFault(*parsed);
    }

    bool stuck = false;
    std::set<std::pair<int, int>> sent;
    auto pullThePort = [&test] {
        test.serial.unplug(1);
    };
    scale.setFrameObserver([&](const vs::FrameRecord &record) {
        ++result.frames;
        // The first frame is the serial number read, whose block the verify reads again.
        if (result.frames > 1 && !sent.insert({record.command, record.address}).second)
            ++result.resentFrames;
        for (const auto &[frame, delayMs] : plan.unplugs) {
            if (frame == result.frames)
                test.clock.scheduleIn(delayMs, pullThePort);
        }
        if (result.frames == kFrameLimit) {
            stuck = true;
            test.clock.scheduleIn(0, pullThePort);
        }
    });
    const qint64 started = test.clock.nowMs();
    test.clock.schedule(started + kRunTimeLimitMs, [&] {
        stuck = true;
        pullThePort();
    });

    const QByteArray expected = testing_support::programmedImage(plan.image, plan.serial);
    if (!testing_support::writeUpdateFile(test.files.updateFile(), plan.image)) {
        result.detail = QStringLiteral("the update file could not be written");
        return result;
    }
    // The answer to "Serial number wrong", should the scale keep refusing the session.
    test.dialogs.answer(QMessageBox::Ok);
    test.scale.setPortNumber(1);
    test.flow.goTo(UpdateFlow::Screen::ScaleUpdate);
    QWidget *display = testing_support::topLevel(QStringLiteral("frmDisplay"));
    testing_support::activate(display);
    // The run ends on a screen, or on "Serial number wrong" over the update window.
    const bool ended = QTest::qWaitFor([&] {
        return testing_support::isShown(QStringLiteral("frmSuccessUpdate"))
            || testing_support::isShown(QStringLiteral("frmErrorScaleCom"))
            || !test.dialogs.texts().isEmpty();
    });
    if (!ended)
        result.detail = QStringLiteral("no end within 5 s of real time; ");
    result.virtualMs = test.clock.nowMs() - started;
    scale.setFrameObserver(nullptr);

    const bool success = testing_support::isShown(QStringLiteral("frmSuccessUpdate"));
    const bool error = testing_support::isShown(QStringLiteral("frmErrorScaleCom"));
    const QStringList boxes = test.dialogs.texts();
    if (stuck)
        result.end = End::Hang;
    else if (success && error)
        result.end = End::BothScreens;
    else if (success && scale.flash() != expected)
        result.end = End::WrongSuccess;
    else if ((success || error) && !boxes.isEmpty())
        result.end = End::UnexpectedMessage;
    else if (success || error)
        result.end = success ? End::Success : End::ErrorScreen;
    else if (boxes == QStringList {QStringLiteral("Serial number wrong")} && display->isVisible())
        result.end = End::SerialRefused;
    else if (!boxes.isEmpty())
        result.end = End::UnexpectedMessage;

    if (!result.ok()) {
        int differing = 0;
        for (int a = 0; a < vs::kFlashSize; ++a)
            differing += scale.flash().at(a) != expected.at(a);
        result.detail += QStringLiteral("messages: %1; %2 flash bytes differ; last frames:")
                             .arg(boxes.join(QStringLiteral(" | ")))
                             .arg(differing);
        const auto &frames = scale.frames();
        for (size_t i = frames.size() > 6 ? frames.size() - 6 : 0; i < frames.size(); ++i)
            result.detail += QStringLiteral("\n    ") + vs::describe(frames[i]);
    }
    return result;
}

std::string line(const Plan &plan, const Result &result)
{
    return QStringLiteral("%1 -> %2, %3 frames (%4 resent), %5 s virtual%6")
        .arg(plan.text(), QString::fromLatin1(kEndNames.at(size_t(result.end))))
        .arg(result.frames)
        .arg(result.resentFrames)
        .arg(double(result.virtualMs) / 1000.0, 0, 'f', 1)
        .arg(result.detail.isEmpty() ? QString() : QStringLiteral("\n  ") + result.detail)
        .toStdString();
}

} // namespace

TEST(FaultCampaign, EveryRunEndsVerifiedOrOnAnErrorTheUserSees)
{
    bool ok = false;
    const int asked = qEnvironmentVariableIntValue("KOVARA_CAMPAIGN_RUNS", &ok);
    const int runs = ok ? asked : 50;
    const quint32 firstSeed
        = quint32(qMax(1, qEnvironmentVariableIntValue("KOVARA_CAMPAIGN_SEED")));
    QFile log(qEnvironmentVariable("KOVARA_CAMPAIGN_LOG"));
    if (!log.fileName().isEmpty()) {
        ASSERT_TRUE(log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text));
    }
    std::array<int, 8> ends {};
    for (int n = 0; n < runs; ++n) {
        const Plan plan = drawPlan(firstSeed + quint32(n));
        const Result result = runPlan(plan);
        ++ends[size_t(result.end)];
        if (log.isOpen())
            log.write(QByteArray::fromStdString(line(plan, result) + '\n'));
        EXPECT_TRUE(result.ok()) << line(plan, result)
                                 << "\n  replay: KOVARA_CAMPAIGN_SEED=" << plan.seed
                                 << " KOVARA_CAMPAIGN_RUNS=1";
    }
    EXPECT_EQ(ends[size_t(End::WrongSuccess)], 0);
    if (runs >= 20) {
        // The faults must bite, and not every run may fail.
        EXPECT_GT(ends[size_t(End::Success)], 0);
        EXPECT_GT(ends[size_t(End::ErrorScreen)], 0);
    }
}

// The campaign's judge: a read-back that hides a wrong bit kept in the flash gets past the
// verify, and the campaign must call that success wrong; without the hiding read it is an honest
// error.
TEST(FaultCampaign, TheJudgeCallsAHiddenFlashErrorAWrongSuccess)
{
    Plan plan = drawPlan(7);
    plan.unplugs.clear();
    const QString stored = QStringLiteral("flipped bit kept in flash: flip c3 @1000 5:10");
    const QString hidden = QStringLiteral("flipped bit in read-back: corrupt b4 @1000 8:10 always");
    // The stored bit costs the block's read-back three more tries.
    for (const auto &[faults, end, resent] :
         {std::tuple {QStringList {}, End::Success, 0},
          {QStringList {stored}, End::ErrorScreen, 3},
          {QStringList {stored, hidden}, End::WrongSuccess, 0}}) {
        plan.faults = faults;
        const Result result = runPlan(plan);
        EXPECT_EQ(result.end, end) << line(plan, result);
        EXPECT_EQ(result.resentFrames, resent) << line(plan, result);
    }
}
