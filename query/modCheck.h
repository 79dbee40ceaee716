#pragma once

// The maker's addresses, and their opening in the desktop's browser with the messages for a failed
// open.

#include <QString>

namespace modCheck {

// The title of every box about a failed shell open.
inline constexpr char kShellErrorTitle[] = "Download Error";

inline constexpr char kQueryPath[] = "/kovarapc/samplecodes/sql-link.php";

// The maker's addresses (build-time hosts, fixed paths).
QString QueryURL();
QString InstallerURL();
QString BannerURL();
QString ManualURL();
QString ProductPageURL();

// The message for a failed shell open's result code.
QString ShellOpenMessage(int code);
// Opens an address with the desktop's browser or viewer. A failure is shown with its message,
// titled "Download Error"; returns whether the address was handed over.
bool ShellOpenOrTell(const QString &address);

} // namespace modCheck
