#include "ui/UpdateFileWindow.h"
#include "ui_UpdateFileWindow.h"

#include "assets/Pictures.h"
#include "ui/Look.h"

#include <QCloseEvent>

UpdateFileWindow::UpdateFileWindow(const QString &versionLine,
                                   const QString &serialNumber,
                                   QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::UpdateFileWindow>())
{
    m_ui->setupUi(this);
    m_ui->lblVersion->setText(versionLine);
    m_ui->lblSerial->setText(tr("Kovara Scale Serial Number:  ") + serialNumber);
    m_ui->Image1->setPixmap(pictures::scale().scaled(
        m_ui->Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    // Enter in the address box moves to Continue without pressing it; a second Enter does.
    connect(m_ui->txtLink, &QLineEdit::returnPressed, m_ui->cmdContinue, [this] {
        m_ui->cmdContinue->setFocus();
    });
    connect(m_ui->cmdContinue, &QPushButton::clicked, this, [this] {
        Q_EMIT continueRequested(m_ui->txtLink->text().trimmed());
    });
    connect(m_ui->cmdExit, &QPushButton::clicked, this, &UpdateFileWindow::exitRequested);
    look::paint({this,
                 m_ui->lblVersion,
                 m_ui->lblSerial,
                 m_ui->Image1,
                 m_ui->lblCheck,
                 m_ui->lblLink,
                 m_ui->cmdContinue,
                 m_ui->cmdExit});
    look::setPointSize(m_ui->lblVersion, 12);
    look::setBold(m_ui->lblVersion);
    // The address can be pasted at once.
    setFocusProxy(m_ui->txtLink);
    m_ui->txtLink->setFocus();
}

UpdateFileWindow::~UpdateFileWindow() = default;

void UpdateFileWindow::setDownloading(bool downloading)
{
    setEnabled(!downloading);
    if (downloading) {
        setCursor(Qt::WaitCursor);
        return;
    }
    unsetCursor();
    activateWindow();
    m_ui->txtLink->setFocus();
}

void UpdateFileWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Q_EMIT closeRequested();
}
