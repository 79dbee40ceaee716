#pragma once

// Copying a flash area of the scale into the flash image, so that a service person can look at
// what the scale holds.
//
// The application area (64 KiB) is read inside a session opened with the serial number at
// 0700h-0703h of the image, and the session is closed at the end whatever happened; the loader
// area (the first 2 KiB) is read without a session. Failures are counted once for the whole area:
// the fourth one ends the read, and a port that goes away ends it at once. The block waits keep
// user input out. What was read before a read ended stays in the image.

#include "core/FlashImage.h"
#include "device/RunObserver.h"

namespace device {

class ScaleLink;

// Blocks of 128 bytes in the loader area.
inline constexpr int kLdromBlocks = 16;

RunOutcome
readAprom(ScaleLink &link, core::FlashImage &image, RunCounters &counters, RunObserver &observer);
RunOutcome
readLdrom(ScaleLink &link, core::FlashImage &image, RunCounters &counters, RunObserver &observer);

} // namespace device
