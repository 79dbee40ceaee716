#include "app/frmErrorScaleCom.h"

frmErrorScaleCom::frmErrorScaleCom()
    : ScaleErrorWindow(QStringLiteral("frmErrorScaleCom"))
{ }
