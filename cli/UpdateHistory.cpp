#include "cli/UpdateHistory.h"

#include <QCoreApplication>
#include "platform/HistoryFile.h"

#include <QJsonArray>

namespace cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("cli::UpdateHistory", text);
}

QString outcomeOf(ExitCode code)
{
    switch (code) {
    case ExitCode::Success:
        return QStringLiteral("updated");
    case ExitCode::Stopped:
        return QStringLiteral("stopped");
    default:
        return QStringLiteral("failed");
    }
}

} // namespace

QJsonObject historyRecord(const QJsonObject &fields,
                          ExitCode code,
                          const QString &message,
                          int retries,
                          const QDateTime &endedAt)
{
    QJsonObject record;
    record.insert(QStringLiteral("time"), endedAt.toUTC().toString(Qt::ISODate));
    for (const char *key : {"serial", "port", "file", "sha256", "seconds"}) {
        const QString name = QString::fromLatin1(key);
        if (fields.contains(name))
            record.insert(name, fields.value(name));
    }
    const QJsonValue signature = fields.value(QStringLiteral("signature"));
    record.insert(QStringLiteral("key"),
                  signature.isObject() ? signature.toObject().value(QStringLiteral("key"))
                                       : QJsonValue(QJsonValue::Null));
    record.insert(QStringLiteral("outcome"), outcomeOf(code));
    record.insert(QStringLiteral("exit"), int(code));
    record.insert(QStringLiteral("message"), message);
    record.insert(QStringLiteral("retries"), retries);
    return record;
}

void recordRun(const QString &path,
               const QJsonObject &fields,
               ExitCode code,
               const QString &message,
               int retries)
{
    platform::HistoryFile(path).append(
        historyRecord(fields, code, message, retries, QDateTime::currentDateTimeUtc()));
}

Listing historyListing(const QString &path, const QString &serial)
{
    const platform::HistoryFile::Contents contents = platform::HistoryFile(path).read();
    Listing listing;
    QJsonArray records;
    QStringList lines;
    for (const QJsonObject &record : contents.records) {
        if (!serial.isEmpty() && record.value(QStringLiteral("serial")).toString() != serial)
            continue;
        records.append(record);
        const QString key = record.value(QStringLiteral("key")).toString();
        lines << QStringLiteral("%1  %2  %3  %4  %5 s  %6 retries  %7  %8")
                     .arg(record.value(QStringLiteral("time")).toString(),
                          record.value(QStringLiteral("serial")).toString(),
                          record.value(QStringLiteral("port")).toString(),
                          record.value(QStringLiteral("outcome")).toString(),
                          QString::number(record.value(QStringLiteral("seconds")).toDouble(),
                                          'f',
                                          1),
                          QString::number(record.value(QStringLiteral("retries")).toInt()),
                          record.value(QStringLiteral("file")).toString(),
                          key.isEmpty() ? tr("unsigned") : tr("key %1").arg(key));
    }
    listing.fields.insert(QStringLiteral("records"), records);
    if (contents.skipped > 0) {
        listing.fields.insert(QStringLiteral("skipped"), contents.skipped);
        lines << tr("(%1 line(s) that are no whole record skipped: a write the power cut short)")
                     .arg(contents.skipped);
    }
    listing.words = lines.isEmpty() ? tr("No update is recorded.") : lines.join(QLatin1Char('\n'));
    return listing;
}

} // namespace cli
