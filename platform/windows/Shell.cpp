#include "platform/Shell.h"

#include <QLoggingCategory>

#include <windows.h>

#include <shellapi.h>

Q_LOGGING_CATEGORY(lcShell, "kovara.shell")

namespace platform {

int DesktopShell::open(const QString &address)
{
    // ShellExecute's result is the code the program's messages are made for: above 32 it
    // worked, 31 no program is associated, and so on.
    const auto result = ShellExecuteW(nullptr,
                                      L"open",
                                      reinterpret_cast<const wchar_t *>(address.utf16()),
                                      nullptr,
                                      nullptr,
                                      SW_SHOWNORMAL);
    const int code = int(reinterpret_cast<INT_PTR>(result));
    qCInfo(lcShell).noquote() << "shell open" << address << "code" << code;
    return code;
}

} // namespace platform
