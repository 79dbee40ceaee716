#include "app/frmChoosePort.h"

#include "app/frmQuit.h"
#include "platform/Look.h"

frmChoosePort::frmChoosePort()
    : Form(QStringLiteral("frmChoosePort"))
{}

void frmChoosePort::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Connect Scale to Computer"));
    window->setFixedSize(440, 200);

    auto *choose = new QLabel(
        QStringLiteral("Please close all other windows until your scale is successfully updated. "
                       "Connect your scale to your computer and turn it on. Then, click Continue "
                       "button to check the scale connection and proceed with update. Latest "
                       "versions of PC Program and scale software will be checked also."),
        window);
    choose->setGeometry(20, 16, 400, 110);
    choose->setWordWrap(true);
    lblChoose.set(choose);

    auto *next = new QPushButton(QStringLiteral("&Continue"), window);
    next->setGeometry(170, 146, 100, 30);
    next->setDefault(true);
    cmdContinue.set(next);
}

void frmChoosePort::Form_Load()
{
    look::paint({window(), lblChoose.get(), cmdContinue.get()});
    AskExit = true;
    centerOnScreen();
}

void frmChoosePort::Form_Unload(bool &Cancel)
{
    if (!AskExit)
        return;
    Cancel = true;
    Forms::frmQuit().ShowModal(this);
}
