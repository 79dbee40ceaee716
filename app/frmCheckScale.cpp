#include "app/frmCheckScale.h"

#include <QWidget>

frmCheckScale::frmCheckScale()
    : Form(QStringLiteral("frmCheckScale"))
{}

void frmCheckScale::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Update Scale"));
}
