#include "download/modGlobals.h"

#include "platform/DiskSpace.h"

#include <cmath>

QString GetPathPart(const QString &path, bool ReturnFileName, bool IsURL)
{
    const qsizetype at = IsURL
        ? path.lastIndexOf(QLatin1Char('/'))
        : std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    if (at < 0)
        return path;
    return ReturnFileName ? path.mid(at + 1) : path.left(at + 1);
}

QString AddBackslash(const QString &path)
{
    return path.endsWith(QLatin1Char('\\')) ? path : path + QLatin1Char('\\');
}

double GetFreeDiskSpace(const QString &root)
{
    QString folder = root.endsWith(QLatin1Char('/')) ? root : AddBackslash(root);
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return platform::diskSpace().freeBytes(folder);
}

namespace download {

QString formatWithMask(double value, const QString &mask)
{
    QString pattern = mask;
    const bool percent = pattern.endsWith(QLatin1Char('%'));
    if (percent) {
        pattern.chop(1);
        value *= 100.0;
    }
    const qsizetype dot = pattern.indexOf(QLatin1Char('.'));
    const int decimals = dot < 0 ? 0 : static_cast<int>(pattern.size() - dot - 1);
    const bool forceDigit = (dot < 0 ? pattern : pattern.left(dot)).contains(QLatin1Char('0'));
    // Halves round away from zero, as the program's number masks do.
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale;
    QString text = QString::number(rounded, 'f', decimals);
    if (text.startsWith(QStringLiteral("-")) && rounded == 0.0)
        text.remove(0, 1);
    if (!forceDigit) {
        if (text.startsWith(QStringLiteral("0.")))
            text.remove(0, 1);
        else if (text.startsWith(QStringLiteral("-0.")))
            text.remove(1, 1);
        else if (text == QStringLiteral("0"))
            text.clear();
    }
    return percent ? text + QLatin1Char('%') : text;
}

} // namespace download

QString FormatFileSize(double bytes, const QString &mask)
{
    using download::formatWithMask;
    const auto pick = [&mask](const char *fallback) {
        return mask.isEmpty() ? QString::fromLatin1(fallback) : mask;
    };
    if (bytes >= 0 && bytes <= 1023)
        return formatWithMask(bytes, QStringLiteral("###0")) + QStringLiteral(" bytes");
    if (bytes >= 1024 && bytes <= 1048575)
        return formatWithMask(bytes / 1024, pick("###0")) + QStringLiteral(" KB");
    if (bytes >= 1048576 && bytes <= 1073741823)
        return formatWithMask(bytes / 1048576, pick("###0.0")) + QStringLiteral(" MB");
    if (bytes > 1073741823)
        return formatWithMask(bytes / 1073741824, pick("###0.0")) + QStringLiteral(" GB");
    return QString();
}

QString FormatDuration(double seconds)
{
    // std::nearbyint rounds halves to even.
    if (seconds >= 0 && seconds <= 59)
        return QString::number(static_cast<qint64>(std::nearbyint(seconds)))
            + QStringLiteral(" sec");
    if (seconds >= 60 && seconds <= 3599) {
        const auto minutes = static_cast<qint64>(std::floor(seconds / 60));
        const auto rest = static_cast<qint64>(std::nearbyint(seconds)) % 60;
        return QString::number(minutes) + QStringLiteral(" min ") + QString::number(rest)
            + QStringLiteral(" sec");
    }
    const auto hours = static_cast<qint64>(std::floor(seconds / 3600));
    const auto minutes = static_cast<qint64>(std::nearbyint(seconds / 60)) % 60;
    return QString::number(hours) + QStringLiteral(" hr ") + QString::number(minutes)
        + QStringLiteral(" min");
}
