#pragma once

// Writing the flash image into the scale through its boot loader, and proving by reading every
// block back that the scale holds exactly the image.
//
// programScale opens a session with the serial number at 0700h-0703h of the image, programs the
// 512 blocks of 128 bytes from 0000h, verifies them in the same order and closes the session.
// A block the scale does not accept sends the run back to open the session again and resume at
// that block; the opening and the programming share one count of failures, the verify has its
// own, and the fourth failure of a phase ends the run. Before each new attempt the line is let
// settle, so that the rest of a late or overlong answer cannot be taken for the next reply. A port
// that goes away ends the run at once. A stop the observer asks for is taken before the next
// frame: the closing byte goes out and the run ends Stopped.
// After a verified run the transcript category kovara.scale.link gets one line with the serial
// number, the CRC-32 of the image and the run's time.

#include "core/FlashImage.h"
#include "device/RunObserver.h"

#include <QByteArray>

namespace device {

class ScaleLink;

// Attempts a phase makes before it gives up.
inline constexpr int kRetryLimit = 3;
// Blocks of 128 bytes in the application area.
inline constexpr int kApromBlocks = 512;

RunOutcome programScale(ScaleLink &link,
                        const core::FlashImage &image,
                        RunCounters &counters,
                        RunObserver &observer);

// CRC-32 (IEEE 802.3, the one of zip and PNG) of bytes.
quint32 crc32(const QByteArray &bytes);

} // namespace device
