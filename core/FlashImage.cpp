#include "core/FlashImage.h"

namespace core {

FlashImage::FlashImage()
    : m_bytes(kSize, char(kErased))
{ }

void FlashImage::erase()
{
    m_bytes.fill(char(kErased));
}

QString pageText(const FlashImage &image, int pageNo)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    static constexpr int kLineLength = 56;
    const int first = (pageNo >= 0 && pageNo < kPageCount) ? pageNo * kPageSize : 0;
    const QByteArray &bytes = image.all();

    QByteArray text;
    text.reserve(qsizetype(kPageSize / 16) * kLineLength);
    for (int address = first; address < first + kPageSize; address += 16) {
        for (int shift = 12; shift >= 0; shift -= 4)
            text.append(kDigits[(address >> shift) & 0xF]);
        text.append("  ");
        for (int i = 0; i < 16; ++i) {
            const auto value = quint8(bytes.at(address + i));
            text.append(kDigits[value >> 4]);
            text.append(kDigits[value & 0xF]);
            text.append(' ');
        }
        text.append("\r\n");
    }
    return QString::fromLatin1(text);
}

} // namespace core
