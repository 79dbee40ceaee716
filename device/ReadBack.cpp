#include "device/ReadBack.h"

#include "core/FlashImage.h"
#include "device/Programming.h"
#include "device/ScaleLink.h"

#include "platform/Clock.h"

namespace device {

namespace {

// Reads the blocks from 0000h up to end into image. Done, or ScaleLost after the fourth failure
// or when the port went away. An answer whose address echo names another block (the rest of an
// earlier answer that came late) is a failure too: its bytes are not this block's, and showing
// them as this block's would mislead whoever reads the page. The line settles before the retry.
RunOutcome readBlocks(ScaleLink &link,
                      core::FlashImage &image,
                      quint32 end,
                      RunCounters &counters,
                      RunObserver &observer)
{
    const int blocks = int(end / core::FlashImage::kBlockSize);
    PaceEstimate pace;
    counters.address = 0;
    while (counters.address < end) {
        const quint32 address = counters.address;
        const int block = int(address / core::FlashImage::kBlockSize);
        observer.progress(
            {core::RunProgress::Phase::Reading, block + 1, blocks, pace.timeLeft(blocks - block)});
        const qint64 started = link.clock().nowMs();
        const Reply reply = link.readBlock(quint16(address));
        const bool echoed = reply.complete() && quint8(reply.bytes.at(1)) == (address >> 8)
            && quint8(reply.bytes.at(2)) == (address & 0xFF);
        if (echoed) {
            pace.add(link.clock().nowMs() - started);
            for (int i = 0; i < core::FlashImage::kBlockSize; ++i)
                image.set(int(address) + i, quint8(reply.bytes.at(3 + i)));
            counters.address += core::FlashImage::kBlockSize;
            continue;
        }
        ++counters.retries;
        const QString why = reply.status == Reply::Status::PortError
            ? QStringLiteral("port lost: ") + reply.error
            : reply.complete()
            ? QStringLiteral("the answer is for block %1")
                  .arg(QString::fromLatin1(reply.bytes.mid(1, 2).toHex().toUpper()))
            : QStringLiteral("no answer");
        const QString at = QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper();
        if (reply.status == Reply::Status::PortError || counters.retries > kRetryLimit) {
            qCWarning(lcScaleLink).noquote()
                << QStringLiteral("read-back gave up at block %1: %2").arg(at, why);
            return RunOutcome::ScaleLost;
        }
        qCInfo(lcScaleLink).noquote()
            << QStringLiteral("read-back of block %1 again: %2").arg(at, why);
        link.settle();
    }
    return RunOutcome::Done;
}

} // namespace

RunOutcome
readAprom(ScaleLink &link, core::FlashImage &image, RunCounters &counters, RunObserver &observer)
{
    counters.retries = 0;
    RunOutcome outcome = RunOutcome::Done;
    bool open = false;
    while (!open) {
        const Reply session = link.openSession(image.bytes(core::FlashImage::kSerialAddress, 4));
        if (session.accepted()) {
            open = true;
        } else if (session.status == Reply::Status::PortError) {
            outcome = RunOutcome::SessionTimedOut;
            break;
        } else if (++counters.retries > kRetryLimit) {
            outcome = session.complete() ? RunOutcome::SerialRefused : RunOutcome::SessionTimedOut;
            break;
        }
    }
    if (open) {
        counters.retries = 0;
        outcome = readBlocks(link, image, core::FlashImage::kSize, counters, observer);
    }
    link.closeSession();
    return outcome;
}

RunOutcome
readLdrom(ScaleLink &link, core::FlashImage &image, RunCounters &counters, RunObserver &observer)
{
    counters.retries = 0;
    return readBlocks(link, image, kLdromBlocks * core::FlashImage::kBlockSize, counters, observer);
}

} // namespace device
