#include "app/frmErrorScaleCom2.h"

#include "app/frmChoosePort.h"

frmErrorScaleCom2::frmErrorScaleCom2()
    : ScaleErrorWindow(QStringLiteral("frmErrorScaleCom2"))
{ }

void frmErrorScaleCom2::Form_Load()
{
    setMousePointer(platform::vbDefault);
    ScaleErrorWindow::Form_Load();
}

void frmErrorScaleCom2::Form_Unload(bool &Cancel)
{
    Forms::frmChoosePort().ErrorPort = false;
    ScaleErrorWindow::Form_Unload(Cancel);
}
