#include "ui/MainWindow.h"

#include "assets/Pictures.h"
#include "ui/Look.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

MainWindow::MainWindow(const QString &versionLine, std::chrono::milliseconds blink, QWidget *parent)
    : QWidget(parent)
    , m_blink(new QTimer(this))
{
    setObjectName(QStringLiteral("frmWelcome"));
    setWindowTitle(tr("Welcome to Kovara PC Program!"));
    setFixedSize(640, 360);

    auto *welcome = new QLabel(tr("Welcome to Kovara PC Program! This program will let you update "
                                  "your Kovara scale with the latest postage rates and services "
                                  "that are available."),
                               this);
    welcome->setObjectName(QStringLiteral("lblWelcome"));
    welcome->setGeometry(24, 16, 592, 52);
    welcome->setWordWrap(true);

    auto *version = new QLabel(versionLine, this);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setGeometry(24, 74, 592, 30);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(24, 116, 180, 150);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(pictures::scale());

    m_banner = new QLabel(this);
    m_banner->setObjectName(QStringLiteral("ImgBanner"));
    m_banner->setGeometry(228, 141, 388, 100);
    m_banner->setAlignment(Qt::AlignCenter);
    m_banner->setVisible(false);

    const auto button =
        [this](const char *name, const QString &caption, const QString &tip, int left, int width) {
            auto *b = new QPushButton(caption, this);
            b->setObjectName(QLatin1String(name));
            b->setGeometry(left, 298, width, 34);
            if (!tip.isEmpty())
                b->setToolTip(tip);
            return b;
        };
    QPushButton *update
        = button("cmdUpdate", tr("&Update Scale"), tr("Continue updating scale."), 24, 140);
    QPushButton *manual = button("cmdDownload", tr("Download Latest &Manual"), QString(), 176, 196);
    QPushButton *help = button("cmdHelp", tr("&Help"), tr("View help."), 384, 104);
    QPushButton *exit = button(
        "cmdExit", tr("E&xit"), tr("Quit PC Program. Scale will not be updated."), 500, 116);

    connect(update, &QPushButton::clicked, this, [this] {
        if (!m_readingScale)
            Q_EMIT updateRequested();
    });
    connect(manual, &QPushButton::clicked, this, [this] {
        setCursor(Qt::WaitCursor);
        Q_EMIT manualRequested();
        unsetCursor();
    });
    connect(help, &QPushButton::clicked, this, [this] {
        Q_EMIT helpRequested();
        setWindowState(windowState() | Qt::WindowMinimized);
    });
    connect(exit, &QPushButton::clicked, this, &MainWindow::exitRequested);

    m_blink->setObjectName(QStringLiteral("Timer2"));
    m_blink->setInterval(blink);
    connect(m_blink, &QTimer::timeout, this, [this] {
        m_banner->setVisible(m_blinkTicks % 2 == 0);
        ++m_blinkTicks;
    });

    look::paint({this, welcome, version, update, manual, help, exit});
    look::setPointSize(version, 12);
    look::setBold(version);
}

void MainWindow::setBannerBlinking(bool blinking)
{
    if (blinking)
        m_blink->start();
    else
        m_blink->stop();
}

void MainWindow::setBanner(const QPixmap &picture)
{
    m_banner->setVisible(true);
    if (picture.isNull())
        return;
    const QSize room = m_banner->size();
    if (picture.width() > room.width() || picture.height() > room.height())
        m_banner->setPixmap(picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        m_banner->setPixmap(picture);
}

void MainWindow::showReadingScale()
{
    m_readingScale = true;
    m_blink->stop();
    setCursor(Qt::WaitCursor);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    m_blink->stop();
    Q_EMIT closeRequested();
}
