#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcFiles, "kovara.files")

namespace platform {

namespace {
QString &overrideFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString workingFolder()
{
    QString folder = overrideFolder();
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/KovaraScale");
    }
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        qCWarning(lcFiles).noquote() << "cannot create the working folder" << folder;
    return folder;
}

void setWorkingFolder(const QString &path)
{
    overrideFolder() = path;
}

QString workingFile(const QString &backslashName)
{
    QString name = backslashName;
    while (name.startsWith(QLatin1Char('\\')) || name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return workingFolder() + QLatin1Char('/') + name;
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

bool fileExists(const QString &path)
{
    return QFileInfo(path).isFile();
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
