#pragma once

// Hands a web address to the desktop's browser or viewer ("open" verb).

#include <QString>

namespace platform {

class Shell
{
public:
    virtual ~Shell() = default;
    // Opens address with the desktop's default handler. Returns a result code as the program's
    // design knows them: greater than 32 on success; 32 or less is the failure's code
    // (31: no application is associated with this kind of address).
    virtual int open(const QString &address) = 0;
};

// xdg-open, waited for (at most a few seconds) so that its exit status becomes the result code:
// no opener at all (xdg-open missing, or its exit status 3) is 31, any other failure
// kShellOpenFailed. An opener still running after the wait has taken the address: success.
class DesktopShell final : public Shell
{
public:
    int open(const QString &address) override;
    // The result code for an exit status of xdg-open (-1: it could not be started at all).
    static int codeForExitStatus(int exitStatus);
};

inline constexpr int kShellOpenOk = 42;
inline constexpr int kShellNoAssociation = 31;
// A failure without a more precise code: its message is the general one.
inline constexpr int kShellOpenFailed = 1;

} // namespace platform
