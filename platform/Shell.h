#pragma once

// Hands a web address to the desktop's browser or viewer ("open" verb).

#include <QString>

namespace platform {

class Shell
{
public:
    // How a hand-over ended: opened, or why not, as the system's opener tells it apart.
    enum class Result {
        Opened,
        OutOfMemory,
        FileNotFound,
        PathNotFound,
        AccessDenied,
        InvalidProgram, // the program associated with the address is invalid or corrupt
        SharingViolation,
        NoValidAssociation,
        TimedOut,
        DdeFailed,
        Busy,          // the program associated is busy
        NoAssociation, // no program is associated with this kind of address
        LibraryNotFound,
        Failed, // any other failure
    };

    virtual ~Shell() = default;
    // Opens address with the desktop's default handler.
    virtual Result open(const QString &address) = 0;
};

// ShellExecuteW on Windows. xdg-open elsewhere, waited for (at most a few seconds) so that its exit
// status tells the result: no opener at all (xdg-open missing, or its exit status 3) is
// NoAssociation, any other failure Failed; an opener still running after the wait has taken the
// address.
class DesktopShell final : public Shell
{
public:
    Result open(const QString &address) override;
};

} // namespace platform
