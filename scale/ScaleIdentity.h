#pragma once

// The scale's serial number: 8 decimal digits, kept by the scale and mirrored in the flash image
// as 4 packed-BCD bytes at 0700h-0703h, most significant first.

#include "core/FlashImage.h"
#include <QByteArray>
#include <QString>

#include <optional>

namespace scale {

class ScaleLink;

// True for a text of exactly 8 characters "0" to "9".
bool isSerialNumber(const QString &text);

// The 4 packed-BCD bytes of a serial number; a missing or non-digit character counts as 0.
QByteArray serialNumberBytes(const QString &serial);

// Reads the serial number over the link: the hex digits of the scale's bytes 0700h-0703h, so a
// scale whose bytes are not BCD yields letters. "" when the scale does not answer (ScaleCom is
// then false).
QString readSerialNumber(ScaleLink &link);

// Writes serial's bytes at 0700h-0703h of the image.
void writeSerialNumber(core::FlashImage &image, const QString &serial);

// Sends the image's byte at address to the same address of the scale; one retry. After two
// failures it tells the user ("Timer Out" or "Error") and returns false.
bool writeByte(ScaleLink &link, const core::FlashImage &image, quint16 address);

// Asks for a serial number until the user gives 8 digits (telling "input wrong" otherwise) or
// gives nothing; nothing means the command ends.
std::optional<QString> askSerialNumber();

} // namespace scale
