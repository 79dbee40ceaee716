#include "device/RunObserver.h"

#include "core/TransferText.h"

#include <QCoreApplication>

namespace device {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("device::RunObserver", text);
}

} // namespace

QString progressText(Phase phase, int block, int blocks, qint64 msLeft)
{
    QString name;
    switch (phase) {
    case Phase::Programming:
        name = tr("Programming");
        break;
    case Phase::Verifying:
        name = tr("Verifying");
        break;
    case Phase::Reading:
        name = tr("Reading");
        break;
    }
    QString text = tr("%1 block %2 of %3").arg(name).arg(block).arg(blocks);
    if (msLeft >= 0)
        text += tr(", about %1 left").arg(core::runTimeText(msLeft));
    return text;
}

} // namespace device
