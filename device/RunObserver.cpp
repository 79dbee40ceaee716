#include "device/RunObserver.h"

namespace device {

QString durationText(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(1, (ms + 500) / 1000);
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

QString progressText(Phase phase, int block, int blocks, qint64 msLeft)
{
    QString name;
    switch (phase) {
    case Phase::Programming:
        name = QStringLiteral("Programming");
        break;
    case Phase::Verifying:
        name = QStringLiteral("Verifying");
        break;
    case Phase::Reading:
        name = QStringLiteral("Reading");
        break;
    }
    QString text = QStringLiteral("%1 block %2 of %3").arg(name).arg(block).arg(blocks);
    if (msLeft >= 0)
        text += QStringLiteral(", about %1 left").arg(durationText(msLeft));
    return text;
}

} // namespace device
