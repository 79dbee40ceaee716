#include "ui/PortSearchWindow.h"

#include "ui/Look.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

PortSearchWindow::PortSearchWindow(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmChoosePort"));
    setWindowTitle(tr("Connect Scale to Computer"));
    setFixedSize(440, 200);

    auto *choose = new QLabel(
        tr("Please close all other windows until your scale is successfully updated. Connect "
           "your scale to your computer and turn it on. Then, click Continue button to check the "
           "scale connection and proceed with update. Latest versions of PC Program and scale "
           "software will be checked also."),
        this);
    choose->setObjectName(QStringLiteral("lblChoose"));
    choose->setGeometry(20, 16, 400, 110);
    choose->setWordWrap(true);

    auto *next = new QPushButton(tr("&Continue"), this);
    next->setObjectName(QStringLiteral("cmdContinue"));
    next->setGeometry(170, 146, 100, 30);
    next->setDefault(true);
    // A second press while the search runs starts nothing.
    connect(next, &QPushButton::clicked, this, [this] {
        if (!m_searching)
            Q_EMIT searchRequested();
    });
    look::paint({this, choose, next});
}

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
