#pragma once

// The maker's addresses, and the messages for a failed opening of one in the desktop's browser.

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

} // namespace modCheck
