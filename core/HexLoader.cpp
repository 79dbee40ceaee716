#include "core/HexLoader.h"

#include "core/Hex.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QIODevice>

namespace core {

namespace {

// The longest record: a colon and 2 x (count, address, type, 255 data bytes, checksum) digits.
constexpr int kMaxRecordLength = 1 + 2 * (1 + 2 + 1 + 255 + 1);

enum RecordType : quint8 {
    Data = 0x00,
    EndOfFile = 0x01,
    ExtendedSegmentAddress = 0x02,
    StartSegmentAddress = 0x03,
    ExtendedLinearAddress = 0x04,
    StartLinearAddress = 0x05,
};

HexLoadResult refuse(int line, const QString &fault)
{
    HexLoadResult result;
    result.line = line;
    result.fault = fault;
    return result;
}

} // namespace

QString HexLoadResult::message() const
{
    if (ok)
        return {};
    const QString where = line > 0 ? QStringLiteral("line %1: ").arg(line) : QString();
    return QStringLiteral("The update file cannot be used (%1%2). The scale was not changed.")
        .arg(where, fault);
}

HexLoadResult loadIntelHex(QIODevice &device, FlashImage &image)
{
    FlashImage loaded; // erased; becomes the image only when the whole file is good
    int lineNo = 0;
    int dataRecords = 0;
    bool ended = false;

    while (!ended && !device.atEnd()) {
        QByteArray line = device.readLine(kMaxRecordLength + 16);
        ++lineNo;
        if (!line.endsWith('\n') && !device.atEnd())
            return refuse(lineNo, QStringLiteral("the line is too long for a record"));
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (line.at(0) != ':')
            return refuse(lineNo, QStringLiteral("the line does not start with a colon"));

        QByteArray bytes;
        bytes.reserve(line.size() / 2);
        for (int i = 1; i + 1 < line.size(); i += 2) {
            const int high = core::hexDigitValue(line.at(i));
            const int low = core::hexDigitValue(line.at(i + 1));
            if (high < 0 || low < 0) {
                return refuse(lineNo,
                              QStringLiteral("\"%1\" is not a hex digit")
                                  .arg(QChar::fromLatin1(high < 0 ? line.at(i) : line.at(i + 1))));
            }
            bytes.append(char(high * 16 + low));
        }
        if (line.size() % 2 == 0) {
            const char last = line.at(line.size() - 1);
            if (core::hexDigitValue(last) < 0)
                return refuse(
                    lineNo,
                    QStringLiteral("\"%1\" is not a hex digit").arg(QChar::fromLatin1(last)));
            return refuse(lineNo, QStringLiteral("the record has an odd number of hex digits"));
        }
        if (bytes.size() < 5)
            return refuse(lineNo, QStringLiteral("the record is cut short"));

        const int count = quint8(bytes.at(0));
        if (bytes.size() < count + 5)
            return refuse(lineNo,
                          QStringLiteral("the record is cut short (byte count %1)").arg(count));
        if (bytes.size() > count + 5)
            return refuse(
                lineNo,
                QStringLiteral("the record is longer than its byte count of %1").arg(count));
        quint8 sum = 0;
        for (char b : bytes)
            sum += quint8(b);
        if (sum != 0)
            return refuse(lineNo, QStringLiteral("the checksum does not match"));

        const int address = quint8(bytes.at(1)) * 256 + quint8(bytes.at(2));
        const auto type = quint8(bytes.at(3));
        const QByteArray data = bytes.mid(4, count);
        switch (type) {
        case Data:
            if (address + count > FlashImage::kSize)
                return refuse(lineNo, QStringLiteral("the data runs past address FFFFh"));
            for (int i = 0; i < count; ++i)
                loaded.set(address + i, quint8(data.at(i)));
            ++dataRecords;
            break;
        case EndOfFile:
            ended = true;
            break;
        case ExtendedSegmentAddress:
        case ExtendedLinearAddress:
            if (count != 2)
                return refuse(lineNo, QStringLiteral("the extended address is not 2 bytes long"));
            if (data != QByteArray(2, '\0'))
                return refuse(lineNo,
                              QStringLiteral("the extended address %1h is beyond the scale's "
                                             "64 KiB")
                                  .arg(QString::fromLatin1(data.toHex().toUpper())));
            break;
        case StartSegmentAddress:
        case StartLinearAddress:
            if (count != 4)
                return refuse(lineNo, QStringLiteral("the start address is not 4 bytes long"));
            break;
        default:
            return refuse(
                lineNo,
                QStringLiteral("the record type %1 is unknown")
                    .arg(QString::fromLatin1(QByteArray(1, char(type)).toHex()).toUpper()));
        }
    }
    if (!ended)
        return refuse(0, QStringLiteral("the file ends without its end record"));

    image = loaded;
    HexLoadResult result;
    result.ok = true;
    result.dataRecords = dataRecords;
    return result;
}

HexLoadResult loadIntelHexFile(const QString &path, FlashImage &image)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(0,
                      QStringLiteral("%1 cannot be opened: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    return loadIntelHex(file, image);
}

HexLoadResult loadIntelHex(const QByteArray &bytes, FlashImage &image)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return loadIntelHex(buffer, image);
}

} // namespace core
