#include "app/ScalePort.h"

#include "app/frmDisplay.h"
#include "device/ScaleProgrammer.h"
#include "platform/SerialPort.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcWizard, "kovara.wizard")
}

namespace wizard {

void openScalePort()
{
    device::ScaleProgrammer &scale = Forms::frmDisplay().scale();
    if (scale.isOpen())
        return;
    if (const auto error = scale.open()) {
        qCWarning(lcWizard).noquote() << "opening COM" + QString::number(scale.portNumber())
                                      << "for the update:" << error->text();
    }
}

} // namespace wizard
