#include "net/ResumeCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>

#include <algorithm>
#include <cctype>

namespace net {

namespace {

// The TOTAL of "bytes FIRST-LAST/TOTAL"; -1 when it is "*" or missing.
qint64 contentRangeTotal(const QByteArray &value)
{
    const qsizetype slash = value.indexOf('/');
    return slash < 0 ? -1 : leadingNumber(value.mid(slash + 1));
}

// count bytes of the file at path from byte from; fewer when they cannot be read.
QByteArray readPart(const QString &path, qint64 from, qint64 count)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return {};
    return file.read(count);
}

} // namespace

qint64 leadingNumber(const QByteArray &value)
{
    const QByteArray text = value.trimmed();
    qsizetype digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text.at(digits))))
        ++digits;
    if (digits == 0 || digits > 18)
        return -1;
    return text.left(digits).toLongLong();
}

qint64 contentRangeStart(const QByteArray &value)
{
    const QByteArray text = value.trimmed();
    if (!text.toLower().startsWith("bytes "))
        return -1;
    return leadingNumber(text.mid(6));
}

void ResumeCheck::clear()
{
    m_validator.clear();
    m_length = -1;
    m_overlap.clear();
    m_overlapSeen = 0;
}

void ResumeCheck::describe(const QNetworkReply &reply)
{
    m_length = leadingNumber(reply.rawHeader("Content-Length"));
    // A weak ETag may name two different files alike, so it cannot vouch for a splice.
    const QByteArray etag = reply.rawHeader("ETag").trimmed();
    m_validator = !etag.isEmpty() && !etag.startsWith("W/")
        ? QString::fromLatin1(etag)
        : QString::fromLatin1(reply.rawHeader("Last-Modified").trimmed());
}

qint64 ResumeCheck::prepare(const QString &path, qint64 received, qint64 overlap)
{
    // The part may have been cut shorter meanwhile; never resume past its end.
    const qint64 end = std::min(received, QFileInfo(path).size());
    const qint64 from = std::max<qint64>(0, end - overlap);
    m_overlap = readPart(path, from, end - from);
    m_overlapSeen = 0;
    return m_overlap.size() == end - from ? from : -1;
}

ResumeCheck::Answer
ResumeCheck::check(int status, const QByteArray &contentRange, qint64 from) const
{
    if (status != 206 || contentRangeStart(contentRange) != from)
        return Answer::NotThePart;
    if (contentRangeTotal(contentRange) != m_length)
        return Answer::OtherLength;
    return Answer::Continues;
}

bool ResumeCheck::repeats(const QByteArray &chunk)
{
    if (m_overlapSeen >= m_overlap.size())
        return true;
    const qsizetype count = std::min(chunk.size(), m_overlap.size() - m_overlapSeen);
    if (chunk.left(count) != m_overlap.mid(m_overlapSeen, count))
        return false;
    m_overlapSeen += count;
    return true;
}

} // namespace net
