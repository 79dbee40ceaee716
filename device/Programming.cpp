#include "device/Programming.h"

#include "core/FlashImage.h"
#include "device/ScaleLink.h"
#include "platform/Clock.h"

#include <array>

namespace device {

namespace {

constexpr quint32 kEnd = 0x10000;
using Phase = core::RunProgress::Phase;

QString hex4(quint32 address)
{
    return QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper();
}

QString failureText(const Reply &reply)
{
    switch (reply.status) {
    case Reply::Status::Complete:
        return QStringLiteral("refused (%1h)")
            .arg(reply.bytes.isEmpty()
                     ? QStringLiteral("-")
                     : QString::fromLatin1(reply.bytes.left(1).toHex().toUpper()));
    case Reply::Status::TimedOut:
        return QStringLiteral("no answer");
    case Reply::Status::PortError:
        return QStringLiteral("port lost: ") + reply.error;
    }
    return {};
}

// Runs an exchange and feeds the pace of an answered one to the estimate.
template<class Exchange>
Reply timed(const platform::Clock &clock, PaceEstimate &pace, Exchange &&exchange)
{
    const qint64 started = clock.nowMs();
    Reply reply = exchange();
    if (reply.complete())
        pace.add(clock.nowMs() - started);
    return reply;
}

// The image's data in the read-back of the block at address (131 bytes: command, address
// echo, 128 data bytes); byte 0 is not examined.
bool readBackMatches(const Reply &reply, quint32 address, const core::FlashImage &image)
{
    if (reply.bytes.size() < kReadBlockReplySize)
        return false;
    return quint8(reply.bytes.at(1)) == quint8(address >> 8)
        && quint8(reply.bytes.at(2)) == quint8(address & 0xFF)
        && reply.bytes.mid(3, core::FlashImage::kBlockSize)
        == image.bytes(int(address), core::FlashImage::kBlockSize);
}

} // namespace

RunOutcome programScale(ScaleLink &link,
                        const core::FlashImage &image,
                        RunCounters &counters,
                        RunObserver &observer)
{
    const platform::Clock &clock = link.clock();
    const qint64 started = clock.nowMs();
    const QByteArray serial = image.bytes(core::FlashImage::kSerialAddress, 4);
    PaceEstimate pace;
    int sessions = 0;

    auto giveUp = [&](RunOutcome outcome, const QString &what) {
        qCWarning(lcScaleLink).noquote() << QStringLiteral("programming gave up: %1 (failure %2)")
                                                .arg(what)
                                                .arg(counters.retries);
        return outcome;
    };

    // A stop leaves the scale between two frames, with the session closed: the scale keeps the
    // blocks it took and is updated again by the next run.
    auto stop = [&] {
        link.closeSession();
        qCInfo(lcScaleLink).noquote()
            << QStringLiteral("programming stopped on request at %1; the session is closed")
                   .arg(hex4(counters.address));
        return RunOutcome::Stopped;
    };
    auto settle = [&] {
        if (!observer.stopRequested())
            link.settle();
    };

    counters.retries = 0;
    counters.failures = 0;
    bool opened = false;
    // Opening the session; a block the scale did not take comes back here and resumes.
    for (;;) {
        if (observer.stopRequested())
            return stop();
        observer.progress({Phase::Opening,
                           opened ? int(counters.address / core::FlashImage::kBlockSize) + 1 : 1,
                           kApromBlocks});
        const Reply session = link.openSession(serial);
        if (session.status == Reply::Status::PortError)
            return giveUp(RunOutcome::ScaleLost,
                          QStringLiteral("session: ") + failureText(session));
        if (!session.accepted()) {
            ++counters.retries;
            ++counters.failures;
            if (counters.retries > kRetryLimit) {
                return giveUp(session.complete() ? RunOutcome::SerialRefused
                                                 : RunOutcome::ScaleLost,
                              QStringLiteral("session: ") + failureText(session));
            }
            settle();
            continue;
        }
        ++sessions;
        if (!opened) {
            opened = true;
            counters.address = 0;
            counters.retries = 0;
        }

        bool failed = false;
        while (counters.address < kEnd) {
            if (observer.stopRequested())
                return stop();
            const quint32 address = counters.address;
            const int block = int(address / core::FlashImage::kBlockSize);
            observer.progress({Phase::Programming,
                               block + 1,
                               kApromBlocks,
                               pace.timeLeft(2 * kApromBlocks - block)});
            const Reply reply = timed(clock, pace, [&] {
                return link.programBlock(quint16(address),
                                         image.bytes(int(address), core::FlashImage::kBlockSize));
            });
            if (reply.accepted()) {
                counters.address += core::FlashImage::kBlockSize;
                continue;
            }
            const QString what
                = QStringLiteral("block %1: %2").arg(hex4(address), failureText(reply));
            if (reply.status == Reply::Status::PortError)
                return giveUp(RunOutcome::ScaleLost, what);
            ++counters.retries;
            ++counters.failures;
            if (counters.retries > kRetryLimit)
                return giveUp(RunOutcome::ScaleLost, what);
            qCInfo(lcScaleLink).noquote()
                << QStringLiteral("block %1 %2; opening the session again")
                       .arg(hex4(address), failureText(reply));
            settle();
            failed = true;
            break;
        }
        if (!failed)
            break;
    }

    // Every block is read back and compared with the image.
    counters.address = 0;
    counters.retries = 0;
    while (counters.address < kEnd) {
        if (observer.stopRequested())
            return stop();
        const quint32 address = counters.address;
        const int block = int(address / core::FlashImage::kBlockSize);
        observer.progress(
            {Phase::Verifying, block + 1, kApromBlocks, pace.timeLeft(kApromBlocks - block)});
        const Reply reply = timed(clock, pace, [&] { return link.readBlock(quint16(address)); });
        if (reply.complete() && readBackMatches(reply, address, image)) {
            counters.address += core::FlashImage::kBlockSize;
            continue;
        }
        const QString what = QStringLiteral("verify of block %1: %2")
                                 .arg(hex4(address),
                                      reply.complete() ? QStringLiteral("differs from the image")
                                                       : failureText(reply));
        if (reply.status == Reply::Status::PortError)
            return giveUp(RunOutcome::ScaleLost, what);
        ++counters.retries;
        ++counters.failures;
        if (counters.retries > kRetryLimit)
            return giveUp(RunOutcome::ScaleLost, what);
        settle();
    }

    // The closing byte needs no answer; closeSession returns once it has left the port.
    link.closeSession();
    qCInfo(lcScaleLink).noquote()
        << QStringLiteral("scale %1 updated and verified: %2 blocks, image CRC-32 %3, %4 s, "
                          "%5 session(s)")
               .arg(QString::fromLatin1(serial.toHex().toUpper()))
               .arg(kApromBlocks)
               .arg(
                   QStringLiteral("%1")
                       .arg(crc32(image.bytes(0, core::FlashImage::kSize)), 8, 16, QLatin1Char('0'))
                       .toUpper())
               .arg(double(clock.nowMs() - started) / 1000.0, 0, 'f', 1)
               .arg(sessions);
    return RunOutcome::Done;
}

quint32 crc32(const QByteArray &bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t {};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes)
        crc = table[(crc ^ quint8(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

} // namespace device
