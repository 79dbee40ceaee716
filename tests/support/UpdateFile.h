#pragma once

// Update files for the programming tests: a 64 KiB application image with distinct bytes in
// every block, written as Intel-HEX records the way the maker's tools write them, and signed as
// the maker signs them.

#include "Minisign.h"

#include "core/FlashImage.h"
#include "core/UpdateSignature.h"
#include "device/ScaleIdentity.h"
#include "platform/BuildConfig.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

namespace testing_support {

// A file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every byte depends on its address and on seed, so a block sent to the wrong address or a
// stale image shows in the scale's flash.
inline QByteArray applicationImage(int seed = 1)
{
    QByteArray image(core::FlashImage::kSize, '\0');
    for (int a = 0; a < image.size(); ++a)
        image[a] = char((a * 7 + (a >> 8) * 13 + seed * 31) & 0xFF);
    image[core::FlashImage::kAreaMarkerAddress] = char(core::FlashImage::kApromMarker);
    return image;
}

// The image as Intel-HEX records of 32 bytes, as the maker's tools write them.
inline QByteArray intelHex(const QByteArray &image)
{
    QByteArray text;
    for (int a = 0; a < image.size(); a += 32) {
        QByteArray record(4, '\0');
        record[0] = char(32);
        record[1] = char(a >> 8);
        record[2] = char(a & 0xFF);
        record.append(image.mid(a, 32));
        quint8 sum = 0;
        for (const char c : record)
            sum = quint8(sum + quint8(c));
        record.append(char(quint8(-sum)));
        text += ':' + record.toHex().toUpper() + "\r\n";
    }
    return text + ":00000001FF\r\n";
}

// The keys this build trusts: the maker server tool's in the development presets.
inline QList<core::TrustedKey> keysOfThisBuild()
{
    QList<QByteArray> lines;
    for (const char *line : build_config::kTrustedKeys)
        lines << QByteArray(line);
    return core::trustedKeys(lines);
}

// The text of bytes' signature file, signed as the maker signs (with the maker server tool's
// key unless another is given).
inline QByteArray makerSignature(const QByteArray &bytes,
                                 const std::optional<maker::SigningKey> &key = std::nullopt,
                                 bool legacy = false)
{
    static const std::optional<maker::SigningKey> devKey
        = maker::readSigningKey(KOVARA_MAKER_SIGNING_KEY);
    const std::string text = maker::signatureText(key ? *key : devKey.value(),
                                                  bytes.toStdString(),
                                                  "timestamp:1796800000\tfile:u.hex\thashed",
                                                  legacy);
    return QByteArray::fromStdString(text);
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size() && file.flush();
}

// The update file of image, with its signature beside it unless it is to carry none.
inline bool writeUpdateFile(const QString &path, const QByteArray &image, bool signedFile = true)
{
    const QByteArray hex = intelHex(image);
    return writeFile(path, hex)
        && (!signedFile || writeFile(core::signaturePath(path), makerSignature(hex)));
}

// What the scale must hold after programming image into the scale with this serial number.
inline QByteArray programmedImage(QByteArray image, const QString &serial)
{
    image.replace(core::FlashImage::kSerialAddress, 4, device::serialNumberBytes(serial));
    return image;
}

} // namespace testing_support
