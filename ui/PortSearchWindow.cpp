#include "ui/PortSearchWindow.h"
#include "ui_PortSearchWindow.h"

#include "ui/Look.h"

#include <QCloseEvent>

PortSearchWindow::PortSearchWindow(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::PortSearchWindow>())
{
    m_ui->setupUi(this);
    // A second press while the search runs starts nothing.
    connect(m_ui->cmdContinue, &QPushButton::clicked, this, [this] {
        if (!m_searching)
            Q_EMIT searchRequested();
    });
    look::paint({this, m_ui->lblChoose, m_ui->cmdContinue});
}

PortSearchWindow::~PortSearchWindow() = default;

void PortSearchWindow::showSearching()
{
    m_searching = true;
    setWindowTitle(tr("Checking Scale Connection to Computer...."));
    setCursor(Qt::WaitCursor);
}

void PortSearchWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Q_EMIT closeRequested();
}
