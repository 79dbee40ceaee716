#pragma once

// The in-memory copy of the scale's 64 KiB flash, indexed by flash address. Erased flash reads
// FFh. The loader fills it from the update file, programming sends it and the read-back fills it
// from the scale.

#include <QByteArray>
#include <QString>

namespace core {

class FlashImage
{
public:
    static constexpr int kSize = 0x10000;
    static constexpr int kBlockSize = 128;
    static constexpr quint8 kErased = 0xFF;
    // Where the image says which flash area it was made for, and the two marker values.
    static constexpr int kAreaMarkerAddress = 0x06FF;
    static constexpr quint8 kApromMarker = 0xAA;
    static constexpr quint8 kLdromMarker = 0x55;
    // The serial number's four packed-BCD bytes.
    static constexpr int kSerialAddress = 0x0700;

    FlashImage();

    void erase();
    quint8 at(int address) const { return quint8(m_bytes.at(address)); }
    void set(int address, quint8 value) { m_bytes[address] = char(value); }
    // length bytes from address on.
    QByteArray bytes(int address, int length) const { return m_bytes.mid(address, length); }
    const QByteArray &all() const { return m_bytes; }

    bool operator==(const FlashImage &other) const { return m_bytes == other.m_bytes; }

private:
    QByteArray m_bytes;
};

// The pages of the image's text view: four pages of 16 KiB, 1024 lines of 16 bytes.
inline constexpr int kPageCount = 4;
inline constexpr int kPageSize = 0x4000;

// The text of page pageNo: per line the address in four upper-case hex digits, two spaces, the 16
// bytes as two hex digits and a space each, CR LF. A page number out of range shows page 0.
QString pageText(const FlashImage &image, int pageNo);

} // namespace core
