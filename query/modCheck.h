#pragma once

// The two questions the program asks the maker's server about itself (is there a newer program,
// is there an update for the scale), the one-file download of the update banner, and the opening
// of the maker's addresses in the desktop's browser with the messages for a failed open.
//
// These are the parts that need no window; the main window and the new-version window act on
// their answers (app/CheckWindows.h).

#include <QString>

class RecordTable;

namespace platform {
class HttpTransfer;
}

namespace modCheck {

inline constexpr char kVersionStatement[]
    = "SELECT CurrentVersion From KovaraPCPrograms WHERE Model ='NORVESSIA'";
inline constexpr char kUpdateStatement[]
    = "SELECT SoftwareUpdate From KovaraPCPrograms WHERE Model ='NORVESSIA'";
// The title of every box about a failed shell open.
inline constexpr char kShellErrorTitle[] = "Download Error";

// The maker's addresses (build-time hosts, fixed paths).
QString InstallerURL();
QString BannerURL();
QString ManualURL();
QString ProductPageURL();

// Text without the blanks at either end (only blanks: a tab or a line end stays, as it is not
// one).
QString TrimBlanks(const QString &text);
// The fields of the last record joined in field order; the empty text for the empty table.
QString LastRecordText(const RecordTable &table);

// "Version " and the server's value for the program, trimmed; the empty text when the question
// failed. An error on the way is shown as "Error: " and its description.
QString CheckProgramVersion();
// The server's answer about an update for the scale, trimmed ("Y", "n", ...); the empty text
// when the question failed. Errors are shown as above.
QString CheckSoftwareUpdate();

// Fetches strURL whole through Inet1 into strDestDir (ending with a separator) under the name that
// ends the address, replacing a file of that name. True only when the server answered with
// success (2xx) and every byte is on disk; a failure leaves no partial file behind. User-interface
// events keep running while the transfer waits.
bool RetrieveFile(platform::HttpTransfer &Inet1, const QString &strURL, const QString &strDestDir);

// The message for a failed shell open's result code.
QString ShellOpenMessage(int code);
// Opens an address with the desktop's browser or viewer. A failure is shown with its message,
// titled "Download Error"; returns whether the address was handed over.
bool ShellOpenOrTell(const QString &address);

} // namespace modCheck
