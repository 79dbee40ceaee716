#include "platform/Shell.h"

#include <QLoggingCategory>

#include <windows.h>

#include <shellapi.h>

Q_LOGGING_CATEGORY(lcShell, "kovara.shell")

namespace platform {

namespace {

// ShellExecute's result: above 32 it worked, else the failure's code.
Shell::Result resultOfCode(int code)
{
    if (code > 32)
        return Shell::Result::Opened;
    switch (code) {
    case 0:
    case SE_ERR_OOM:
        return Shell::Result::OutOfMemory;
    case SE_ERR_FNF:
        return Shell::Result::FileNotFound;
    case SE_ERR_PNF:
        return Shell::Result::PathNotFound;
    case SE_ERR_ACCESSDENIED:
        return Shell::Result::AccessDenied;
    case ERROR_BAD_FORMAT:
        return Shell::Result::InvalidProgram;
    case SE_ERR_SHARE:
        return Shell::Result::SharingViolation;
    case SE_ERR_ASSOCINCOMPLETE:
        return Shell::Result::NoValidAssociation;
    case SE_ERR_DDETIMEOUT:
        return Shell::Result::TimedOut;
    case SE_ERR_DDEFAIL:
        return Shell::Result::DdeFailed;
    case SE_ERR_DDEBUSY:
        return Shell::Result::Busy;
    case SE_ERR_NOASSOC:
        return Shell::Result::NoAssociation;
    case SE_ERR_DLLNOTFOUND:
        return Shell::Result::LibraryNotFound;
    default:
        return Shell::Result::Failed;
    }
}

} // namespace

Shell::Result DesktopShell::open(const QString &address)
{
    const auto result = ShellExecuteW(nullptr,
                                      L"open",
                                      reinterpret_cast<const wchar_t *>(address.utf16()),
                                      nullptr,
                                      nullptr,
                                      SW_SHOWNORMAL);
    const int code = int(reinterpret_cast<INT_PTR>(result));
    qCInfo(lcShell).noquote() << "shell open" << address << "code" << code;
    return resultOfCode(code);
}

} // namespace platform
