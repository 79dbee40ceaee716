#include "platform/DiskSpace.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace platform {

qint64 StorageDiskSpace::freeBytes(const QString &path)
{
    // The folder may not exist yet: its nearest existing ancestor is on the same disk.
    QFileInfo info(path);
    while (!info.exists()) {
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath())
            return 0;
        info = QFileInfo(parent);
    }
    const QStorageInfo storage(info.absoluteFilePath());
    if (!storage.isValid())
        return 0;
    return storage.bytesAvailable();
}

} // namespace platform
