#include "ui/ScaleErrorWindow.h"
#include "ui_ScaleErrorWindow.h"

#include "ui/Look.h"

#include <QCloseEvent>

ScaleErrorWindow::ScaleErrorWindow(Kind kind, QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::ScaleErrorWindow>())
{
    m_ui->setupUi(this);
    // The names automation and the logs know the two windows by.
    if (kind == Kind::Missing)
        setObjectName(QStringLiteral("frmErrorScaleCom2"));
    look::paint({this, m_ui->lblFailed, m_ui->cmdRetry, m_ui->cmdExit});
    connect(m_ui->cmdRetry, &QPushButton::clicked, this, [this] {
        // The way back may take a moment (the port opens, the update starts).
        setCursor(Qt::WaitCursor);
        Q_EMIT retryRequested();
    });
    connect(m_ui->cmdExit, &QPushButton::clicked, this, &ScaleErrorWindow::exitRequested);
}

ScaleErrorWindow::~ScaleErrorWindow() = default;

void ScaleErrorWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Q_EMIT closeRequested();
}
