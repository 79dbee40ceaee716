#pragma once

// Path and formatting helpers of the program: parts of paths and addresses, free disk space, and
// the sizes and durations that the download window shows.
//
// Local paths may be written with "\" (as the program's texts write them) or with "/" (the
// separator on Linux); both count as folder separators in a local path.

#include <QString>

// The file name after the last separator (ReturnFileName) or the folder part up to and including
// it. The separator is "/" for an address (IsURL), else "\" or "/". No separator: path unchanged.
QString GetPathPart(const QString &path, bool ReturnFileName, bool IsURL);
// The path with a "\" at its end.
QString AddBackslash(const QString &path);
// Bytes free on the disk that holds the folder root; 0 when it cannot be told.
double GetFreeDiskSpace(const QString &root);
// "512 bytes", "2 KB", "1.5 MB", "3.2 GB"; the mask sets the digits of the KB, MB and GB values
// ("###0", "###0.0", "###.0"). Negative counts and counts in the gaps between the units' ranges
// give "".
QString FormatFileSize(double bytes, const QString &mask = QString());
// "42 sec", "2 min 5 sec", "1 hr 2 min".
QString FormatDuration(double seconds);

namespace download {
// A number written with one of the program's display masks: "###0" (whole, at least one digit),
// "###0.0" (one decimal, at least one digit before the point), "###.0" (one decimal, no digit
// forced before the point: .5), "##0%" (the number times 100, whole, then "%").
QString formatWithMask(double value, const QString &mask);
} // namespace download
