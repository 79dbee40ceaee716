#include "ui/DownloadedWindow.h"
#include "ui_DownloadedWindow.h"

#include "ui/Look.h"

#include <QCloseEvent>

DownloadedWindow::DownloadedWindow(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::DownloadedWindow>())
{
    m_ui->setupUi(this);
    look::paint({this, m_ui->lblSuccess, m_ui->cmdUpdate});
    m_ui->cmdUpdate->setFocus();
    connect(m_ui->cmdUpdate, &QPushButton::clicked, this, &DownloadedWindow::updateRequested);
}

DownloadedWindow::~DownloadedWindow() = default;

void DownloadedWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Q_EMIT closeRequested();
}
