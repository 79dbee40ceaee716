#pragma once

// Free space of the disk that holds a folder, asked before a download is written. The real answer
// comes from the file system (QStorageInfo); the downloader is given it, and a test gives a double
// that reports a set number, so the "not enough space" path runs without filling a disk.

#include <QString>
#include <QtGlobal>

namespace platform {

class DiskSpace
{
public:
    virtual ~DiskSpace() = default;
    // Bytes free to this user on the disk of path (a folder or a file, existing or not);
    // 0 when it cannot be told.
    virtual qint64 freeBytes(const QString &path) = 0;
};

class StorageDiskSpace final : public DiskSpace
{
public:
    qint64 freeBytes(const QString &path) override;
};

} // namespace platform
