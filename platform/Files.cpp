#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcFiles, "kovara.files")

namespace platform {

WorkingFolder WorkingFolder::standard()
{
    // The user's own data folder: ~/.local/share on Linux, %LOCALAPPDATA% on Windows (the
    // program's folder under Program Files cannot be written).
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/KovaraScale");
#ifdef Q_OS_WIN
    return WorkingFolder(data);
#else
    // Qt 6.4 has no standard location for state yet.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return WorkingFolder(data, state + QStringLiteral("/kovara-pc-program/support.log"));
#endif
}

WorkingFolder::WorkingFolder(QString path, QString supportLog)
    : m_path(std::move(path))
    , m_supportLog(supportLog.isEmpty() ? m_path + QStringLiteral("/support.log")
                                        : std::move(supportLog))
{
    if (!QDir(m_path).exists() && !QDir().mkpath(m_path))
        qCWarning(lcFiles).noquote() << "cannot create the working folder" << m_path;
}

QString WorkingFolder::historyFile() const
{
    return QFileInfo(m_supportLog).dir().filePath(QStringLiteral("history.jsonl"));
}

QString WorkingFolder::file(const QString &name) const
{
    return QDir(m_path).filePath(name);
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

void deleteFile(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return;
    if (file.remove())
        qCInfo(lcFiles).noquote() << "deleted" << path;
    else
        qCWarning(lcFiles).noquote() << "could not delete" << path << "-" << file.errorString();
}

} // namespace platform
