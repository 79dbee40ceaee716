#include "app/frmErrorScaleCom2.h"

#include "app/frmChoosePort.h"
#include "app/frmQuit.h"
#include "app/frmWelcome.h"
#include "platform/Look.h"
#include "query/frmVersion.h"

frmErrorScaleCom2::frmErrorScaleCom2()
    : Form(QStringLiteral("frmErrorScaleCom2"))
{ }

void frmErrorScaleCom2::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Error Communicating with the Scale"));
    window->setFixedSize(440, 190);

    auto *failed = new QLabel(
        QStringLiteral("A communication error with your scale was encountered. Please make sure "
                       "that your Kovara scale is connected to your computer and that it is "
                       "turned on."),
        window);
    failed->setGeometry(20, 16, 400, 90);
    failed->setWordWrap(true);
    lblFailed.set(failed);

    auto *retry = new QPushButton(QStringLiteral("&Retry"), window);
    retry->setGeometry(100, 130, 100, 30);
    retry->setDefault(true);
    cmdRetry.set(retry);
    connect(retry, &QPushButton::clicked, this, &frmErrorScaleCom2::cmdRetry_Click);

    auto *exit = new QPushButton(QStringLiteral("E&xit"), window);
    exit->setGeometry(240, 130, 100, 30);
    cmdExit.set(exit);
    connect(exit, &QPushButton::clicked, this, &frmErrorScaleCom2::cmdExit_Click);
}

void frmErrorScaleCom2::Form_Load()
{
    setMousePointer(platform::vbDefault);
    look::paint({window(), lblFailed.get(), cmdRetry.get(), cmdExit.get()});
    AskExit = true;
    centerOnScreen();
}

void frmErrorScaleCom2::cmdRetry_Click()
{
    setMousePointer(platform::vbHourglass);
    AskExit = false;
    bool handled = false;
    if (Forms::frmChoosePort().ErrorPort) {
        Forms::frmChoosePort().Show();
        Close();
        handled = true;
    }
    if (Forms::frmWelcome().ErrorScale) {
        Forms::frmWelcome().Show();
        Close();
        handled = true;
    }
    // Neither failure recorded (the flag was cleared by a cancelled close): the port search is the
    // one safe way back into the update.
    if (!handled) {
        Forms::frmChoosePort().Show();
        Close();
    }
}

void frmErrorScaleCom2::cmdExit_Click()
{
    Forms::frmVersion().NewVersion = false;
    AskExit = true;
    Forms::frmQuit().ShowModal(this);
}

void frmErrorScaleCom2::Form_Unload(bool &Cancel)
{
    Forms::frmChoosePort().ErrorPort = false;
    if (AskExit) {
        Cancel = true;
        Forms::frmQuit().ShowModal(this);
    }
}
