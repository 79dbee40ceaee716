#include "app/frmSuccess.h"

#include "app/frmQuit.h"
#include "platform/Look.h"
#include "platform/SerialPort.h"
#include "scale/frmDisplay.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcWizard, "kovara.wizard")
}

frmSuccess::frmSuccess()
    : Form(QStringLiteral("frmSuccess"))
{ }

void frmSuccess::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Successful Download"));
    window->setFixedSize(440, 180);

    auto *success = new QLabel(
        QStringLiteral("The file for updating your scale has been successfully downloaded. Click "
                       "Update button to continue updating your scale with the latest postage "
                       "rates."),
        window);
    success->setGeometry(20, 16, 400, 90);
    success->setWordWrap(true);
    lblSuccess.set(success);

    auto *update = new QPushButton(QStringLiteral("&Update"), window);
    update->setGeometry(165, 124, 110, 32);
    update->setToolTip(QStringLiteral("Update Kovara scale"));
    update->setDefault(true);
    cmdUpdate.set(update);
    connect(update, &QPushButton::clicked, this, &frmSuccess::cmdUpdate_Click);
}

void frmSuccess::Form_Load()
{
    look::paint({window(), lblSuccess.get(), cmdUpdate.get()});
    AskExit = true;
    centerOnScreen();
    cmdUpdate->setFocus();
}

void frmSuccess::cmdUpdate_Click()
{
    ::frmDisplay &display = Forms::frmDisplay();
    platform::SerialPort &port = display.MSComm1();
    if (!port.isOpen()) {
        // A port that cannot be opened now leaves the programming run without an answer from
        // the scale, which ends on the communication-error window with its Retry.
        try {
            port.open();
        } catch (const platform::SerialError &error) {
            qCWarning(lcWizard).noquote() << "opening COM" + QString::number(port.commPort())
                                          << "for the update:" << error.text();
        }
    }
    display.Show();
    AskExit = false;
    Close();
}

void frmSuccess::Form_Unload(bool &Cancel)
{
    if (!AskExit)
        return;
    Cancel = true;
    Forms::frmQuit().ShowModal(this);
}
