#include "ui/StartUpWindow.h"
#include "ui_StartUpWindow.h"

#include "ui/Look.h"

#include <QCloseEvent>

StartUpWindow::StartUpWindow(const QString &version,
                             std::chrono::milliseconds tick,
                             QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::StartUpWindow>())
{
    m_ui->setupUi(this);
    look::paint({this, m_ui->lblTitle, m_ui->lblVersion, m_ui->lblDurix, m_ui->lblLoading});
    look::setPointSize(m_ui->lblTitle, 14);
    look::setBold(m_ui->lblTitle);
    look::setBold(m_ui->lblVersion);
    m_ui->lblVersion->setText(version);
    setCursor(Qt::WaitCursor);
    m_timer.setInterval(tick);
    connect(&m_timer, &QTimer::timeout, this, &StartUpWindow::tick);
    m_timer.start();
}

StartUpWindow::~StartUpWindow() = default;

void StartUpWindow::tick()
{
    if (m_checking)
        return;
    switch (m_ticks) {
    case 1:
        m_checking = true;
        Q_EMIT internetCheckDue();
        return;
    case 2:
        Q_EMIT startUpDone();
        break;
    default:
        break;
    }
    ++m_ticks;
}

void StartUpWindow::checkEnded(bool reachable)
{
    m_checking = false;
    ++m_ticks;
    if (!reachable)
        m_timer.stop();
    if (std::exchange(m_closeWaiting, false))
        close();
}

void StartUpWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (m_checking) {
        m_closeWaiting = true;
        return;
    }
    m_timer.stop();
    Q_EMIT closeRequested();
}
