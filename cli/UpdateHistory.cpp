#include "cli/UpdateHistory.h"

#include "core/UpdateRecord.h"
#include "platform/HistoryFile.h"
#include <QCoreApplication>

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
    core::UpdateRecord record;
    record.endedAt = endedAt;
    record.serial = fields.value(QStringLiteral("serial")).toString();
    record.port = fields.value(QStringLiteral("port")).toString();
    record.file = fields.value(QStringLiteral("file")).toString();
    record.sha256 = fields.value(QStringLiteral("sha256")).toString();
    record.key = fields.value(QStringLiteral("signature"))
                     .toObject()
                     .value(QStringLiteral("key"))
                     .toString();
    record.outcome = outcomeOf(code);
    record.message = message;
    record.seconds = fields.value(QStringLiteral("seconds")).toDouble();
    record.retries = retries;
    record.exit = int(code);
    return record.toJson();
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

void recordScale(const QString &path, const QJsonObject &fields, const BenchScale &scale)
{
    if (!scale.runStarted)
        return;
    const QJsonObject item = scale.json();
    QJsonObject own = fields;
    for (const QString &name :
         {QStringLiteral("port"), QStringLiteral("serial"), QStringLiteral("seconds")})
        own.insert(name, item.value(name));
    recordRun(
        path, own, scale.code, item.value(QStringLiteral("message")).toString(), scale.retries);
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
                          QString::number(
                              record.value(QStringLiteral("seconds")).toDouble(), 'f', 1),
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
