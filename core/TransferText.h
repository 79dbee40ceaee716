#pragma once

// The sizes, durations and rates that the program shows, in its own wording: the download
// dialog's and its questions' ("1.5 MB", "2 min 5 sec", "45%") and the scale run's ("1 min 5 s").

#include "core/RunProgress.h"

#include <QString>

namespace core {

// "512 bytes", "2 KB", "1.5 MB", "3.2 GB"; the mask sets the digits of the KB, MB and GB values
// ("###0", "###0.0", "###.0"). The unit is chosen for the count rounded to whole bytes, so a
// rate of 1023.5 bytes a second shows "1 KB"; negative counts give "".
QString fileSizeText(double bytes, const QString &mask = QString());
// The download's time left: "42 sec", "2 min 5 sec", "1 hr 2 min".
QString durationText(double seconds);
// The scale run's time, taken and left, to the nearest second and at least one: "12 s",
// "1 min 5 s".
QString runTimeText(qint64 ms);
// The line under a scale run's bar: "Opening the programming session", "Programming block 37 of
// 512, about 53 s left"; without the time while it is not known.
QString runProgressText(const RunProgress &progress);
// A number written with one of the program's display masks: "###0" (whole, at least one digit),
// "###0.0" (one decimal, at least one digit before the point), "###.0" (one decimal, no digit
// forced before the point: .5), "##0%" (the number times 100, whole, then "%").
QString maskedNumber(double value, const QString &mask);

} // namespace core
