#pragma once

// The scale's serial number: 8 decimal digits, kept by the scale and mirrored in the flash image
// as 4 packed-BCD bytes at 0700h-0703h, most significant first.

#include "core/FlashImage.h"
#include "device/ScaleLink.h"

#include <QByteArray>
#include <QString>

namespace device {

// True for a text of exactly 8 characters "0" to "9".
bool isSerialNumber(const QString &text);

// The 4 packed-BCD bytes of a serial number; a missing or non-digit character counts as 0.
QByteArray serialNumberBytes(const QString &serial);

// Reads the serial number over the link: the hex digits of the scale's bytes 0700h-0703h, so a
// scale whose bytes are not BCD yields letters. "" when the scale gives no complete answer.
QString readSerialNumber(ScaleLink &link);

// Writes serial's bytes at 0700h-0703h of the image.
void writeSerialNumber(core::FlashImage &image, const QString &serial);

// Sends the image's bytes 0700h-0703h to the same addresses of the scale, one at a time, each
// tried twice. The reply that ended it: accepted() when all four were stored.
Reply storeSerialNumber(ScaleLink &link, const core::FlashImage &image);

} // namespace device
