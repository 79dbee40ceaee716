#include "app/frmSuccess.h"

#include "app/QuitQuestion.h"
#include "platform/Look.h"

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
    Q_EMIT updateRequested();
}

void frmSuccess::Form_Unload(bool &Cancel)
{
    if (!AskExit)
        return;
    Cancel = true;
    wizard::confirmQuit(window());
}
