#pragma once

// The record of every update: one JSON object a line in history.jsonl, beside the support log. It
// is only ever appended to, a record whole in one write, so that it survives the program's
// reinstalls and upgrades and no update rewrites an earlier one. A line cut short (the power
// went while it was written) is skipped when read, and counted.

#include <QJsonObject>
#include <QList>
#include <QString>

namespace platform {

class HistoryFile
{
public:
    explicit HistoryFile(QString path)
        : m_path(std::move(path))
    { }

    QString path() const { return m_path; }
    // Appends the record as one line; false (and a log line) when it could not be written.
    bool append(const QJsonObject &record) const;

    struct Contents
    {
        QList<QJsonObject> records; // oldest first
        int skipped = 0;            // lines that are no whole record
    };
    Contents read() const;

private:
    QString m_path;
};

} // namespace platform
