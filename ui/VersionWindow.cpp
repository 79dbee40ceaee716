#include "ui/VersionWindow.h"
#include "ui_VersionWindow.h"

#include "assets/Pictures.h"
#include "ui/Look.h"

#include <QCloseEvent>

VersionWindow::VersionWindow(const QString &running,
                             const QString &latest,
                             const QString &line,
                             QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::VersionWindow>())
{
    m_ui->setupUi(this);
    look::paint({this,
                 m_ui->lblStatus,
                 m_ui->lblProgVer,
                 m_ui->lblProg,
                 m_ui->lblLatestVer,
                 m_ui->lblLatest,
                 m_ui->lblPCProg,
                 m_ui->cmdDownloadPCProg,
                 m_ui->cmdExit,
                 m_ui->Image1});
    m_ui->Image1->setPixmap(pictures::newVersion());
    m_ui->lblProg->setText(running);
    m_ui->lblLatest->setText(latest);
    QPalette palette = m_ui->lblLatest->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_ui->lblLatest->setPalette(palette);
    m_ui->lblPCProg->setText(line);

    connect(m_ui->cmdDownloadPCProg, &QPushButton::clicked, this, [this] {
        setWindowState(windowState() | Qt::WindowMinimized);
        setCursor(Qt::WaitCursor);
        Q_EMIT downloadRequested();
        unsetCursor();
    });
    connect(m_ui->cmdExit, &QPushButton::clicked, this, &VersionWindow::exitRequested);
}

VersionWindow::~VersionWindow() = default;

void VersionWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Q_EMIT closeRequested();
}
