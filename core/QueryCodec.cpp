#include "core/QueryCodec.h"

#include "core/Hex.h"
#include "core/Rc4.h"

#include <QLoggingCategory>

#include <limits>

Q_LOGGING_CATEGORY(lcQuery, "kovara.query")

namespace core {

namespace {

bool isBlank(char c)
{
    return c == ' ';
}

// The leading decimal number of a count line; leading blanks skipped, no number is 0. Absurdly
// long numbers stop growing well past any count the table could hold.
qint64 leadingNumber(const QByteArray &text)
{
    qsizetype at = 0;
    while (at < text.size() && isBlank(text.at(at)))
        ++at;
    bool negative = false;
    if (at < text.size() && (text.at(at) == '-' || text.at(at) == '+')) {
        negative = text.at(at) == '-';
        ++at;
    }
    qint64 value = 0;
    for (; at < text.size() && text.at(at) >= '0' && text.at(at) <= '9'; ++at) {
        if (value < std::numeric_limits<qint32>::max())
            value = value * 10 + (text.at(at) - '0');
    }
    return negative ? -value : value;
}

} // namespace

QByteArray requestBody(const QByteArray &fieldName, const QByteArray &statement)
{
    const QByteArray cipher = rc4(kQueryKey, statement);
    return QByteArray("--") + kBoundary + "\r\n" + "content-disposition: form-data; name=\""
        + fieldName + "\"\r\n" + "\r\n" + percentEncode(cipher) + "\r\n" + "--" + kBoundary;
}

QByteArray percentEncode(const QByteArray &text)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray result;
    result.reserve(text.size() * 3);
    for (const char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            result.append(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            result.append('%');
            result.append(digits[byte >> 4]);
            result.append(digits[byte & 0x0F]);
        }
    }
    return result;
}

QByteArray percentDecode(const QByteArray &text)
{
    QByteArray result;
    result.reserve(text.size());
    const qsizetype length = text.size();
    qsizetype at = 0;
    while (at < length) {
        const char c = text.at(at);
        if (c == '+') {
            result.append(' ');
            ++at;
        } else if (c == '%') {
            // A "%" with nothing after it has nothing to decode: it is dropped.
            if (at + 1 >= length)
                break;
            int value = 0;
            for (qsizetype k = at + 1; k <= at + 2 && k < length; ++k) {
                const int digit = core::hexDigitValue(text.at(k));
                if (digit < 0)
                    break;
                value = value * 16 + digit;
            }
            result.append(static_cast<char>(value));
            at += 3;
        } else {
            result.append(c);
            ++at;
        }
    }
    return result;
}

namespace {

// A record reply read from the front. Taking a piece moves the front on instead of copying the
// rest, so reading a whole reply costs time in proportion to its length.
class ReplyReader
{
public:
    explicit ReplyReader(QByteArray text);
    bool isEmpty() const { return m_begin >= m_end; }
    // What is left.
    QByteArray rest() const;
    // Removes and returns the part before the first separator; what is left loses its leading
    // and trailing blanks. Without a separator, all of it.
    QByteArray nextToken(const QByteArray &separator);
    // Removes and returns the next field, escapes resolved. A text without any "|" is returned
    // whole, as it is.
    QByteArray nextField();

private:
    QByteArray m_text;
    qsizetype m_begin = 0;
    qsizetype m_end = 0;
    // Index of the last "|" of the text, or -1: whether any is left is then a comparison.
    qsizetype m_lastBar = -1;
};

} // namespace

RecordTable parseRecords(const QByteArray &reply)
{
    ReplyReader reader(reply);
    const qint64 records = leadingNumber(reader.nextToken("\n"));
    if (records == 0)
        return RecordTable();
    const qint64 fields = leadingNumber(reader.nextToken("\n"));
    if (fields < 1 || records < 0)
        return RecordTable();
    if (records > kMaxCells || fields > kMaxCells || records * fields > kMaxCells) {
        qCWarning(lcQuery).noquote()
            << "reply claims" << records << "records of" << fields << "fields, more than the"
            << kMaxCells << "cells a reply may have: no answer";
        return RecordTable();
    }
    RecordTable table(static_cast<int>(records), static_cast<int>(fields));
    for (int r = 0; r < records && !reader.isEmpty(); ++r) {
        for (int f = 0; f < fields && !reader.isEmpty(); ++f)
            table.setCell(r, f, QString::fromLatin1(reader.nextField()));
    }
    return table;
}

ReplyReader::ReplyReader(QByteArray text)
    : m_text(std::move(text))
    , m_end(m_text.size())
    , m_lastBar(m_text.lastIndexOf('|'))
{ }

QByteArray ReplyReader::rest() const
{
    return isEmpty() ? QByteArray() : m_text.mid(m_begin, m_end - m_begin);
}

QByteArray ReplyReader::nextToken(const QByteArray &separator)
{
    if (isEmpty())
        return QByteArray();
    const qsizetype found = m_text.indexOf(separator, m_begin);
    if (found < 0 || found + separator.size() > m_end) {
        const QByteArray all = rest();
        m_begin = m_end;
        return all;
    }
    const QByteArray token = m_text.mid(m_begin, found - m_begin);
    m_begin = found + separator.size();
    while (m_begin < m_end && isBlank(m_text.at(m_begin)))
        ++m_begin;
    while (m_end > m_begin && isBlank(m_text.at(m_end - 1)))
        --m_end;
    return token;
}

QByteArray ReplyReader::nextField()
{
    if (isEmpty())
        return QByteArray();
    if (m_lastBar < m_begin || m_lastBar >= m_end) {
        const QByteArray all = rest();
        m_begin = m_end;
        return all;
    }
    QByteArray field;
    bool escape = false;
    while (m_begin < m_end) {
        const char c = m_text.at(m_begin++);
        if (c == '\\') {
            if (escape)
                field.append('\\');
            escape = !escape;
        } else if (c == '|') {
            if (!escape)
                return field;
            field.append('|');
            escape = false;
        } else {
            field.append(c);
        }
    }
    return field;
}

} // namespace core
