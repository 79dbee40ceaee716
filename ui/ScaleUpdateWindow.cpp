#include "ui/ScaleUpdateWindow.h"

#include "core/TransferText.h"

#include "ui/Look.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

template<class Widget> Widget *named(Widget *widget, const char *name, QRect geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

ScaleUpdateWindow::ScaleUpdateWindow(const QString &versionLine, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmDisplay"));
    setWindowTitle(tr("Kovara Scale Update"));
    setFixedSize(640, 600);

    auto *menuBar = new QMenuBar(this);
    menuBar->setGeometry(0, 0, 640, 24);
    const auto item = [this](QMenu *menu, const char *name, const QString &caption) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    const auto menu = [menuBar](const char *name, const QString &caption) {
        QMenu *m = menuBar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    QMenu *file = menu("mnuFile", tr("&File"));
    connect(item(file, "mnuLoad", tr("&Load ")),
            &QAction::triggered,
            this,
            &ScaleUpdateWindow::loadRequested);
    connect(item(file, "mnuFileExit", tr("E&xit")),
            &QAction::triggered,
            this,
            &ScaleUpdateWindow::exitRequested);
    QMenu *run = menu("mnuRun", tr("&Run"));
    item(run, "mnuAuto", tr("&Auto"));
    connect(item(run, "mnuProgram", tr("&Program")),
            &QAction::triggered,
            this,
            &ScaleUpdateWindow::programRequested);
    item(run, "mnuRead", tr("&Read"));
    QMenu *select = menu("mnuSelect", tr("&Select"));
    m_apromItem = item(select, "mnuAPROM", tr("APROM"));
    m_ldromItem = item(select, "mnuLDROM", tr("LDROM"));
    connect(m_apromItem, &QAction::triggered, this, [this] { Q_EMIT areaChosen(true); });
    connect(m_ldromItem, &QAction::triggered, this, [this] { Q_EMIT areaChosen(false); });
    QMenu *serial = menu("mnuSN", tr("Serial Number"));
    connect(item(serial, "mnuSSN", tr("Change SN")), &QAction::triggered, this, [this] {
        Q_EMIT serialNumberEntered(true);
    });
    connect(item(serial, "mnuRSN", tr("Register SN")), &QAction::triggered, this, [this] {
        Q_EMIT serialNumberEntered(false);
    });
    QMenu *port = menu("mnuPort", tr("&PC Port"));
    m_com1Item = item(port, "mnuComm1", tr("COM1"));
    m_com2Item = item(port, "mnuComm2", tr("COM2"));
    connect(m_com1Item, &QAction::triggered, this, [this] { Q_EMIT portChosen(1); });
    connect(m_com2Item, &QAction::triggered, this, [this] { Q_EMIT portChosen(2); });

    auto *version = named(new QLabel(versionLine, this), "lblVersion", {16, 34, 400, 22});
    named(new QLabel(this), "Image1", {440, 34, 184, 96});

    const auto button = [this](const char *name, const QString &caption, QRect geometry) {
        return named(new QPushButton(caption, this), name, geometry);
    };
    connect(button("LoadHex", tr("Load"), {16, 64, 90, 28}),
            &QPushButton::clicked,
            this,
            &ScaleUpdateWindow::loadRequested);
    connect(button("Program", tr("Program"), {116, 64, 90, 28}),
            &QPushButton::clicked,
            this,
            &ScaleUpdateWindow::programRequested);
    connect(button("Read", tr("Read"), {216, 64, 90, 28}),
            &QPushButton::clicked,
            this,
            &ScaleUpdateWindow::readRequested);
    m_aprom = named(new QRadioButton(tr("APROM"), this), "APROM", {320, 62, 100, 20});
    m_ldrom = named(new QRadioButton(tr("LDROM"), this), "LDROM", {320, 84, 100, 20});
    connect(m_aprom, &QRadioButton::clicked, this, [this] { Q_EMIT areaChosen(true); });
    connect(m_ldrom, &QRadioButton::clicked, this, [this] { Q_EMIT areaChosen(false); });

    m_status = named(new QLabel(this), "lblStatus", {16, 104, 410, 22});
    m_bar = named(new QProgressBar(this), "ProgressBar1", {16, 132, 410, 18});
    m_bar->setVisible(false);
    m_progressLine = named(new QLabel(this), "lblProgress", {16, 151, 410, 18});
    m_progressLine->setVisible(false);

    m_pageUp = button("up", tr("Page   up"), {440, 138, 88, 26});
    m_pageDown = button("down", tr("Page down"), {536, 138, 88, 26});
    connect(m_pageUp, &QPushButton::clicked, this, [this] { Q_EMIT pageRequested(-1); });
    connect(m_pageDown, &QPushButton::clicked, this, [this] { Q_EMIT pageRequested(+1); });

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto *header = named(
        new QLabel(QStringLiteral("ADDR   0  1  2  3  4  5  6  7- 8  9  A  B  C  D  E  F "), this),
        "Label1",
        {20, 172, 600, 20});
    header->setFont(fixed);
    m_page = named(new QPlainTextEdit(this), "txtPage", {16, 192, 608, 392});
    m_page->setReadOnly(true);
    m_page->setFont(fixed);
    m_page->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_page->setAccessibleName(tr("Flash page"));

    look::paint({this, m_status, version, m_progressLine});
}

void ScaleUpdateWindow::setStatus(const QString &text)
{
    m_status->setText(text);
}

void ScaleUpdateWindow::setBusy(bool busy)
{
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void ScaleUpdateWindow::showProgress(const core::RunProgress &progress)
{
    using Phase = core::RunProgress::Phase;
    // The bar moves by two blocks at a time: a programming run's 512 blocks fill the first half
    // (0 to 255) and their verify the second (256 to 511) of 512. A read-back's bar runs to 256
    // for the application area and to 7 for the loader area's 16 blocks.
    const int step = (progress.block - 1) / 2;
    switch (progress.phase) {
    case Phase::Opening:
        m_bar->setRange(0, progress.blocks);
        m_bar->setValue(0);
        break;
    case Phase::Programming:
    case Phase::Verifying:
        m_bar->setRange(0, progress.blocks);
        m_bar->setValue(progress.phase == Phase::Verifying ? progress.blocks / 2 + step : step);
        break;
    case Phase::Reading:
        m_bar->setRange(0, progress.blocks >= 256 ? progress.blocks / 2 : progress.blocks / 2 - 1);
        m_bar->setValue(step);
        break;
    }
    m_progressLine->setText(core::runProgressText(progress));
    m_bar->setVisible(true);
    m_progressLine->setVisible(true);
}

void ScaleUpdateWindow::hideProgress()
{
    m_bar->setVisible(false);
    m_progressLine->setVisible(false);
}

void ScaleUpdateWindow::showPage(int pageNo, const QString &text)
{
    m_pageUp->setEnabled(pageNo > 0);
    m_pageDown->setEnabled(pageNo < 3);
    m_page->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void ScaleUpdateWindow::showArea(bool aprom)
{
    m_aprom->setChecked(aprom);
    m_ldrom->setChecked(!aprom);
    m_apromItem->setText(aprom ? QStringLiteral("->APROM<-") : QStringLiteral("  APROM  "));
    m_ldromItem->setText(aprom ? QStringLiteral("  LDROM  ") : QStringLiteral("->LDROM<-"));
}

void ScaleUpdateWindow::showPort(int number)
{
    m_com1Item->setText(number == 1 ? QStringLiteral("-> COM1 <-") : QStringLiteral("   COM1   "));
    m_com2Item->setText(number == 2 ? QStringLiteral("-> COM2 <-") : QStringLiteral("   COM2   "));
}

bool ScaleUpdateWindow::apromChosen() const
{
    return m_aprom->isChecked();
}

bool ScaleUpdateWindow::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // A hidden window may still get an activation the window system sent before it was hidden
    // (a run that ended at once): the update runs only for a window the user sees.
    if (event->type() == QEvent::WindowActivate && m_autoRunDue && isVisible()) {
        m_autoRunDue = false;
        Q_EMIT autoRunDue();
    }
    return handled;
}

void ScaleUpdateWindow::hideEvent(QHideEvent *event)
{
    // Hidden by the program (not minimised by the user): the next showing runs the update again.
    if (!event->spontaneous())
        m_autoRunDue = true;
    QWidget::hideEvent(event);
}

void ScaleUpdateWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Q_EMIT closeRequested();
}
