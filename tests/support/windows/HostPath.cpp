#include "HostPath.h"

#include <QDir>

#include <windows.h>

namespace testing_support {

QString hostPath(const QString &localPath)
{
    // Wine's kernel32 tells where a Windows path is on the Linux side.
    using ToUnix = char *(CDECL *)(const wchar_t *);
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return localPath;
    const QString native = QDir::toNativeSeparators(localPath);
    char *unixPath = toUnix(reinterpret_cast<const wchar_t *>(native.utf16()));
    if (!unixPath)
        return localPath;
    const QString result = QString::fromLocal8Bit(unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

} // namespace testing_support
