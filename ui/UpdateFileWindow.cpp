#include "ui/UpdateFileWindow.h"

#include "assets/Pictures.h"
#include "ui/Look.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel *makeLabel(QWidget *window, const char *name, const QString &text, QRect geometry)
{
    auto *label = new QLabel(text, window);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

} // namespace

UpdateFileWindow::UpdateFileWindow(const QString &versionLine,
                                   const QString &serialNumber,
                                   QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmCheckScale"));
    setWindowTitle(tr("Update Scale"));
    setFixedSize(540, 300);

    QLabel *version = makeLabel(this, "lblVersion", versionLine, {20, 14, 500, 26});
    QLabel *serial = makeLabel(
        this, "lblSerial", tr("Kovara Scale Serial Number:  ") + serialNumber, {20, 44, 500, 22});
    QLabel *picture = makeLabel(this, "Image1", QString(), {20, 78, 96, 96});
    picture->setPixmap(
        pictures::scale().scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    QLabel *check = makeLabel(
        this,
        "lblCheck",
        tr("Before your scale will be updated, the PC Program needs to download a file. Please "
           "paste the link of the update file in the text box below and click Continue button. "
           "The file will be automatically saved to KovaraScale folder."),
        {130, 78, 390, 96});
    check->setWordWrap(true);
    QLabel *link = makeLabel(this, "lblLink", tr("Link:"), {20, 192, 50, 24});

    m_link = new QLineEdit(this);
    m_link->setObjectName(QStringLiteral("txtLink"));
    m_link->setGeometry(72, 190, 448, 26);

    auto *next = new QPushButton(tr("&Continue"), this);
    next->setObjectName(QStringLiteral("cmdContinue"));
    next->setGeometry(150, 244, 110, 32);
    next->setToolTip(tr("Continue updating your scale."));
    // Enter in the address box moves to Continue without pressing it; a second Enter does.
    next->setAutoDefault(true);
    connect(m_link, &QLineEdit::returnPressed, next, [next] { next->setFocus(); });
    connect(next, &QPushButton::clicked, this, [this] {
        Q_EMIT continueRequested(m_link->text().trimmed());
    });

    auto *exit = new QPushButton(tr("E&xit"), this);
    exit->setObjectName(QStringLiteral("cmdExit"));
    exit->setGeometry(280, 244, 110, 32);
    exit->setToolTip(tr("Quit PC Program. Scale will not be updated."));
    exit->setAutoDefault(true);
    connect(exit, &QPushButton::clicked, this, &UpdateFileWindow::exitRequested);

    QWidget::setTabOrder(m_link, next);
    QWidget::setTabOrder(next, exit);
    look::paint({this, version, serial, picture, check, link, next, exit});
    look::setPointSize(version, 12);
    look::setBold(version);
    // The address can be pasted at once.
    setFocusProxy(m_link);
    m_link->setFocus();
}

void UpdateFileWindow::setDownloading(bool downloading)
{
    setEnabled(!downloading);
    if (downloading) {
        setCursor(Qt::WaitCursor);
        return;
    }
    unsetCursor();
    activateWindow();
    m_link->setFocus();
}

void UpdateFileWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Q_EMIT closeRequested();
}
