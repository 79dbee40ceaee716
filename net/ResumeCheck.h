#pragma once

// Whether a broken download may be continued, and the checks that what comes continues the part on
// disk rather than splicing another file onto it.
//
// The first answer of a download names the file's version (a strong ETag, else Last-Modified) and
// its length; without both a break is fetched again from the first byte. A resume asks from a
// little before the end of the part on disk; the answer must be a part that starts where it
// asked, of a file of the first answer's length, and the bytes it repeats must be those on disk.

#include <QByteArray>
#include <QString>

class QNetworkReply;

namespace net {

// The leading whole number of a header value; -1 when it has none.
qint64 leadingNumber(const QByteArray &value);
// The first byte of a Content-Range "bytes FIRST-LAST/TOTAL"; -1 when it says something else.
qint64 contentRangeStart(const QByteArray &value);

class ResumeCheck
{
public:
    enum class Answer {
        Continues,
        NotThePart,  // the whole file, or a part that starts elsewhere
        OtherLength, // a part of a file of another length
    };

    // A new download: nothing is known of the file.
    void clear();
    // What the first answer says of the file.
    void describe(const QNetworkReply &reply);
    // The file's length; -1 when the first answer did not say.
    qint64 length() const { return m_length; }
    // A break can be continued: the file's version and length are known.
    bool possible() const { return !m_validator.isEmpty() && m_length >= 0; }
    // The file's version, sent back as If-Range.
    const QString &validator() const { return m_validator; }

    // Sets up the continuation of the part at path, of which `received` bytes came: `overlap`
    // bytes before its end are asked again. The byte to ask from; -1 when the part on disk cannot
    // be read.
    qint64 prepare(const QString &path, qint64 received, qint64 overlap);
    // The answer to the continuation asked from byte `from`.
    Answer check(int status, const QByteArray &contentRange, qint64 from) const;
    // Takes the body's next bytes: false when those that repeat the part differ from the disk's.
    bool repeats(const QByteArray &chunk);

private:
    QString m_validator;
    qint64 m_length = -1;
    // The bytes on disk that the continuation asks for again, and how many of them it repeated.
    QByteArray m_overlap;
    qint64 m_overlapSeen = 0;
};

} // namespace net
