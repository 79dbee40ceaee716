#pragma once

// The record a run on a scale leaves in the history (platform/HistoryFile.h), from the wizard or
// the command line, however it ended.

#include <QDateTime>
#include <QJsonObject>
#include <QString>

namespace core {

struct UpdateRecord
{
    QDateTime endedAt;
    QString serial;
    QString port;
    // The update file's address, or its path when it was given as a file.
    QString file;
    QString sha256;
    // The signing key's id; empty for a file without a signature.
    QString key;
    QString outcome; // "updated", "failed" or "stopped"
    QString message;
    double seconds = 0;
    int retries = 0;
    // The command line's exit status; -1 for the wizard's runs.
    int exit = -1;

    QJsonObject toJson() const
    {
        QJsonObject record {
            {QStringLiteral("time"), endedAt.toUTC().toString(Qt::ISODate)},
            {QStringLiteral("serial"), serial},
            {QStringLiteral("port"), port},
            {QStringLiteral("file"), file},
            {QStringLiteral("sha256"), sha256},
            {QStringLiteral("key"), key.isEmpty() ? QJsonValue() : QJsonValue(key)},
            {QStringLiteral("outcome"), outcome},
            {QStringLiteral("message"), message},
            {QStringLiteral("seconds"), seconds},
            {QStringLiteral("retries"), retries},
        };
        if (exit >= 0)
            record.insert(QStringLiteral("exit"), exit);
        return record;
    }
};

} // namespace core
