#include "app/frmErrorScaleCom2.h"

#include "app/frmChoosePort.h"
#include "app/frmWelcome.h"

frmErrorScaleCom2::frmErrorScaleCom2()
    : ScaleErrorWindow(QStringLiteral("frmErrorScaleCom2"))
{ }

void frmErrorScaleCom2::Form_Load()
{
    setMousePointer(platform::vbDefault);
    ScaleErrorWindow::Form_Load();
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

void frmErrorScaleCom2::Form_Unload(bool &Cancel)
{
    Forms::frmChoosePort().ErrorPort = false;
    ScaleErrorWindow::Form_Unload(Cancel);
}
