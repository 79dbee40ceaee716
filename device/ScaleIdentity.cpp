#include "device/ScaleIdentity.h"

#include "core/FlashImage.h"
#include "platform/SerialPort.h"

namespace device {

bool isSerialNumber(const QString &text)
{
    if (text.size() != 8)
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

QByteArray serialNumberBytes(const QString &serial)
{
    auto digit = [&serial](int index) {
        if (index >= serial.size())
            return 0;
        const QChar c = serial.at(index);
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ? c.unicode() - '0' : 0;
    };
    QByteArray bytes(4, '\0');
    for (int k = 0; k < 4; ++k)
        bytes[k] = char(digit(2 * k) * 16 + digit(2 * k + 1));
    return bytes;
}

QString readSerialNumber(ScaleLink &link)
{
    link.port().clearInput();
    const Reply reply = link.readBlock(core::FlashImage::kSerialAddress);
    if (!reply.complete())
        return {};
    // Reply bytes 3 to 6 are the scale's bytes 0700h-0703h.
    return QString::fromLatin1(reply.bytes.toHex().toUpper()).mid(6, 8);
}

void writeSerialNumber(core::FlashImage &image, const QString &serial)
{
    const QByteArray bytes = serialNumberBytes(serial);
    for (int k = 0; k < 4; ++k)
        image.set(core::FlashImage::kSerialAddress + k, quint8(bytes.at(k)));
}

Reply storeSerialNumber(ScaleLink &link, const core::FlashImage &image)
{
    Reply reply;
    for (int address = core::FlashImage::kSerialAddress;
         address < core::FlashImage::kSerialAddress + 4;
         ++address) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            reply = link.storeByte(quint16(address), image.at(address));
            if (reply.accepted())
                break;
        }
        if (!reply.accepted())
            break;
    }
    return reply;
}

} // namespace device
