#include "core/TransferText.h"

#include <QCoreApplication>

#include <cmath>

namespace core {

QString maskedNumber(double value, const QString &mask)
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

QString fileSizeText(double count, const QString &mask)
{
    // The units' ranges are of whole bytes; a fractional count (a rate) between two ranges would
    // otherwise fall into neither.
    const double bytes = std::round(count);
    const auto pick = [&mask](const char *fallback) {
        return mask.isEmpty() ? QString::fromLatin1(fallback) : mask;
    };
    if (bytes >= 0 && bytes <= 1023)
        return maskedNumber(bytes, QStringLiteral("###0")) + QStringLiteral(" bytes");
    if (bytes >= 1024 && bytes <= 1048575)
        return maskedNumber(bytes / 1024, pick("###0")) + QStringLiteral(" KB");
    if (bytes >= 1048576 && bytes <= 1073741823)
        return maskedNumber(bytes / 1048576, pick("###0.0")) + QStringLiteral(" MB");
    if (bytes > 1073741823)
        return maskedNumber(bytes / 1073741824, pick("###0.0")) + QStringLiteral(" GB");
    return QString();
}

QString runTimeText(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(1, (ms + 500) / 1000);
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

QString runProgressText(const RunProgress &progress)
{
    const auto tr = [](const char *text) {
        return QCoreApplication::translate("core::RunProgress", text);
    };
    QString name;
    switch (progress.phase) {
    case RunProgress::Phase::Opening:
        return tr("Opening the programming session");
    case RunProgress::Phase::Programming:
        name = tr("Programming");
        break;
    case RunProgress::Phase::Verifying:
        name = tr("Verifying");
        break;
    case RunProgress::Phase::Reading:
        name = tr("Reading");
        break;
    }
    QString text = tr("%1 block %2 of %3").arg(name).arg(progress.block).arg(progress.blocks);
    if (progress.msLeft >= 0)
        text += tr(", about %1 left").arg(runTimeText(progress.msLeft));
    return text;
}

QString durationText(double seconds)
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

} // namespace core
