#pragma once

// The Intel-HEX reader for the update file.
//
// The whole file is checked before anything is used: a refused file leaves the caller's image as
// it was, so a damaged download can never reach the scale. Accepted is what real tools write:
// CR LF or LF line ends, blank lines, hex digits in either case, extended-address records (02, 04)
// whose value is 0, and start-address records (03, 05), which mean nothing to the scale. Refused
// are a line that is not a record, a wrong byte count or checksum, data past FFFFh, a non-zero
// extended address, an unknown record type and a file without its end record.

#include "core/FlashImage.h"

#include <QString>

class QIODevice;

namespace core {

struct HexLoadResult
{
    bool ok = false;
    // The line the fault is on, counting from 1; 0 when the fault is not on one line.
    int line = 0;
    // What is wrong, as a phrase for the user ("the checksum does not match").
    QString fault;
    int dataRecords = 0;

    // The whole sentence for the user.
    QString message() const;
};

// Reads the records from device into image, which is erased first. On refusal image is left
// exactly as it was.
HexLoadResult loadIntelHex(QIODevice &device, FlashImage &image);
// The same from a file; a file that cannot be opened is refused with the reason.
HexLoadResult loadIntelHexFile(const QString &path, FlashImage &image);
// The same from the bytes of a file.
HexLoadResult loadIntelHex(const QByteArray &bytes, FlashImage &image);

} // namespace core
