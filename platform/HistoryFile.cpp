#include "platform/HistoryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcHistory, "kovara.history")

namespace platform {

bool HistoryFile::append(const QJsonObject &record) const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QFile file(m_path);
    // One write of the whole line, at the end whatever another writer did meanwhile. A line
    // before it that a power cut left without its end gets one, so this record stays whole.
    const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append)) {
        qCWarning(lcHistory).noquote() << "cannot open" << m_path << "-" << file.errorString();
        return false;
    }
    QByteArray out = line;
    if (file.size() > 0 && file.seek(file.size() - 1) && file.read(1) != "\n")
        out.prepend('\n');
    if (file.write(out) != out.size() || !file.flush()) {
        qCWarning(lcHistory).noquote() << "cannot write" << m_path << "-" << file.errorString();
        return false;
    }
    return true;
}

HistoryFile::Contents HistoryFile::read() const
{
    Contents contents;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return contents;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            contents.records << document.object();
        else
            ++contents.skipped;
    }
    if (contents.skipped > 0)
        qCInfo(lcHistory).noquote()
            << contents.skipped << "line(s) of" << m_path << "are no whole record and were skipped";
    return contents;
}

} // namespace platform
