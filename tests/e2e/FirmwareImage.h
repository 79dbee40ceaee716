#pragma once

// A full 64 KiB flash image laid out like the scale's firmware (start vector, code, the
// application-area marker at 06FFh, the empty serial-number block at 0700h, code, the rate tables
// as text, erased top), and its update file in Intel HEX as the maker's tools write it. Whole runs
// program it and compare the scale's flash.

#include <QByteArray>

#include <algorithm>

namespace testing_support {

inline QByteArray scaleFirmwareImage()
{
    QByteArray image(0x10000, char(0xFF));
    quint32 seed = 0x5EED2026u;
    const auto codeByte = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return char(seed >> 16);
    };
    image[0] = char(0x02);
    image[1] = char(0x08);
    image[2] = char(0x00);
    for (int at = 3; at < 0x6FF; ++at)
        image[at] = codeByte();
    image[0x6FF] = char(0xAA);
    for (int at = 0x800; at < 0xA000; ++at)
        image[at] = codeByte();
    int at = 0xA000;
    for (int zone = 1; zone <= 8; ++zone) {
        for (int grams = 20; grams <= 2000 && at < 0xBF00; grams += 20) {
            QByteArray row("ZONE ");
            row += QByteArray::number(zone);
            row += " UP TO ";
            row += QByteArray::number(grams);
            row += " G RATE ";
            row += QByteArray::number(0.6 + zone * 0.15 + grams * 0.004, 'f', 2);
            row += '\n';
            image.replace(at, row.size(), row);
            at += row.size();
        }
    }
    return image;
}

// The image with the scale's serial number in its place (packed BCD at 0700h).
inline QByteArray withSerialNumber(QByteArray image, const QByteArray &eightDigits)
{
    image.replace(0x700, 4, QByteArray::fromHex(eightDigits));
    return image;
}

inline QByteArray intelHex(const QByteArray &image)
{
    QByteArray text;
    for (int at = 0; at < image.size(); at += 16) {
        const int count = std::min<int>(16, image.size() - at);
        QByteArray record;
        record.append(char(count));
        record.append(char(at >> 8));
        record.append(char(at & 0xFF));
        record.append(char(0));
        record.append(image.mid(at, count));
        unsigned sum = 0;
        for (char byte : record)
            sum += static_cast<unsigned char>(byte);
        record.append(char((0x100 - (sum & 0xFF)) & 0xFF));
        text += ':';
        text += record.toHex().toUpper();
        text += "\r\n";
    }
    text += ":00000001FF\r\n";
    return text;
}

} // namespace testing_support
