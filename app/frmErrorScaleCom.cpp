#include "app/frmErrorScaleCom.h"

#include "app/ScalePort.h"
#include "app/frmDisplay.h"

frmErrorScaleCom::frmErrorScaleCom()
    : ScaleErrorWindow(QStringLiteral("frmErrorScaleCom"))
{ }

void frmErrorScaleCom::cmdRetry_Click()
{
    setMousePointer(platform::vbHourglass);
    // A scale that was unplugged took its port with it; plugged back, the port opens again.
    wizard::openScalePort();
    Forms::frmDisplay().Show();
    AskExit = false;
    Close();
}
