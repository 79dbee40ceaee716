#include "app/frmNotConnected.h"

#include "platform/Look.h"
#include "platform/Process.h"

frmNotConnected::frmNotConnected()
    : Form(QStringLiteral("frmNotConnected"))
{ }

void frmNotConnected::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("No Internet Connection"));
    window->setFixedSize(380, 150);

    auto *message = new QLabel(
        QStringLiteral(
            "Please connect your computer to the Internet first to proceed with scale update."),
        window);
    message->setGeometry(20, 20, 340, 60);
    message->setWordWrap(true);
    lblMessage.set(message);

    auto *okay = new QPushButton(QStringLiteral("&Okay"), window);
    okay->setGeometry(140, 100, 100, 30);
    okay->setDefault(true);
    cmdOkay.set(okay);
    connect(okay, &QPushButton::clicked, this, &frmNotConnected::cmdOkay_Click);
}

void frmNotConnected::Form_Load()
{
    look::paint({window(), lblMessage.get(), cmdOkay.get()});
    centerOnScreen();
}

void frmNotConnected::cmdOkay_Click()
{
    platform::Terminate();
}

void frmNotConnected::Form_Unload(bool &Cancel)
{
    (void)Cancel;
    platform::Terminate();
}
