#include "query/frmVersion.h"

#include <QWidget>

frmVersion::frmVersion()
    : Form(QStringLiteral("frmVersion"))
{}

void frmVersion::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Program Version"));
}
