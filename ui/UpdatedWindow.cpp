#include "ui/UpdatedWindow.h"
#include "ui_UpdatedWindow.h"

#include "ui/Look.h"

#include <QCloseEvent>

UpdatedWindow::UpdatedWindow(std::chrono::milliseconds tick, QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::UpdatedWindow>())
{
    m_ui->setupUi(this);
    look::paint({this, m_ui->cmdExit, m_ui->lblSuccess, m_ui->lblUpdate});
    m_timer.setInterval(tick);
    connect(&m_timer, &QTimer::timeout, this, &UpdatedWindow::tick);
    connect(m_ui->cmdExit, &QPushButton::clicked, this, &UpdatedWindow::exitRequested);
}

UpdatedWindow::~UpdatedWindow() = default;

bool UpdatedWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        setCursor(Qt::WaitCursor);
        m_timer.start();
    }
    return QWidget::event(event);
}

void UpdatedWindow::tick()
{
    // Ten ticks of waiting; the success comes on the eleventh. A window activated again after
    // that shows it once more on its next tick.
    if (m_ticks < 10) {
        ++m_ticks;
        return;
    }
    m_timer.stop();
    setWindowTitle(tr("Successful Scale Update"));
    unsetCursor();
    m_ui->lblUpdate->setVisible(false);
    m_ui->lblSuccess->setVisible(true);
    m_ui->cmdExit->setVisible(true);
    m_ui->cmdExit->setFocus();
}

void UpdatedWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Q_EMIT exitRequested();
}
