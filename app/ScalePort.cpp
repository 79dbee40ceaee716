#include "app/ScalePort.h"

#include "platform/SerialPort.h"
#include "scale/frmDisplay.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcWizard, "kovara.wizard")
}

namespace wizard {

void openScalePort()
{
    platform::SerialPort &port = Forms::frmDisplay().MSComm1();
    if (port.isOpen())
        return;
    try {
        port.open();
    } catch (const platform::SerialError &error) {
        qCWarning(lcWizard).noquote() << "opening COM" + QString::number(port.commPort())
                                      << "for the update:" << error.text();
    }
}

} // namespace wizard
