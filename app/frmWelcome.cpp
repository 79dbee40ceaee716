#include "app/frmWelcome.h"

frmWelcome::frmWelcome()
    : Form(QStringLiteral("frmWelcome"))
{}

void frmWelcome::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Welcome to Kovara PC Program!"));
    lblVersion.set(new QLabel(window));
}
