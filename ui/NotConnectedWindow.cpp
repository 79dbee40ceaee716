#include "ui/NotConnectedWindow.h"
#include "ui_NotConnectedWindow.h"

#include "ui/Look.h"

#include <QCloseEvent>

NotConnectedWindow::NotConnectedWindow(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::NotConnectedWindow>())
{
    m_ui->setupUi(this);
    look::paint({this, m_ui->lblMessage, m_ui->cmdOkay});
    connect(m_ui->cmdOkay, &QPushButton::clicked, this, &NotConnectedWindow::exitRequested);
}

NotConnectedWindow::~NotConnectedWindow() = default;

void NotConnectedWindow::closeEvent(QCloseEvent *event)
{
    // The flow ends the program; the window does not close by itself.
    event->ignore();
    Q_EMIT exitRequested();
}
