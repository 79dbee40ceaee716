#include "app/frmWelcome.h"

#include "app/ProgramVersion.h"
#include "app/QuitQuestion.h"
#include "assets/Pictures.h"
#include "device/ScaleProgrammer.h"
#include "platform/Look.h"
#include "platform/SerialPort.h"
#include "query/modCheck.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcWelcome, "kovara.welcome")

frmWelcome::frmWelcome()
    : Form(QStringLiteral("frmWelcome"))
{ }

frmWelcome::~frmWelcome() = default;

void frmWelcome::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Welcome to Kovara PC Program!"));
    window->setFixedSize(640, 360);

    auto *welcome = new QLabel(
        QStringLiteral("Welcome to Kovara PC Program! This program will let you update your "
                       "Kovara scale with the latest postage rates and services that are "
                       "available."),
        window);
    welcome->setGeometry(24, 16, 592, 52);
    welcome->setWordWrap(true);
    lblWelcome.set(welcome);

    auto *version = new QLabel(window);
    version->setGeometry(24, 74, 592, 30);
    look::setPointSize(version, 12);
    lblVersion.set(version);

    auto *picture = new QLabel(window);
    picture->setGeometry(24, 116, 180, 150);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(pictures::scale());
    Image1.set(picture);

    auto *banner = new QLabel(window);
    banner->setGeometry(228, 141, 388, 100);
    banner->setAlignment(Qt::AlignCenter);
    banner->setVisible(false);
    ImgBanner.set(banner);

    auto button = [window](const QString &caption, const QString &tip, int left, int width) {
        auto *b = new QPushButton(caption, window);
        b->setGeometry(left, 298, width, 34);
        if (!tip.isEmpty())
            b->setToolTip(tip);
        return b;
    };
    cmdUpdate.set(button(
        QStringLiteral("&Update Scale"), QStringLiteral("Continue updating scale."), 24, 140));
    cmdDownload.set(button(QStringLiteral("Download Latest &Manual"), QString(), 176, 196));
    cmdHelp.set(button(QStringLiteral("&Help"), QStringLiteral("View help."), 384, 104));
    cmdExit.set(button(QStringLiteral("E&xit"),
                       QStringLiteral("Quit PC Program. Scale will not be updated."),
                       500,
                       116));
    connect(cmdUpdate.peek(), &QPushButton::clicked, this, &frmWelcome::cmdUpdate_Click);
    connect(cmdDownload.peek(), &QPushButton::clicked, this, &frmWelcome::cmdDownload_Click);
    connect(cmdHelp.peek(), &QPushButton::clicked, this, &frmWelcome::cmdHelp_Click);
    connect(cmdExit.peek(), &QPushButton::clicked, this, &frmWelcome::cmdExit_Click);

    auto *versionTimer = new platform::Timer(window);
    connect(versionTimer, &platform::Timer::Tick, this, &frmWelcome::Timer1_Timer);
    Timer1.set(versionTimer);
    auto *blinkTimer = new platform::Timer(window);
    connect(blinkTimer, &platform::Timer::Tick, this, &frmWelcome::Timer2_Timer);
    Timer2.set(blinkTimer);
}

void frmWelcome::Form_Load()
{
    InitForm();
    Timer2->setInterval(1000);
    centerOnScreen();
    Q_EMIT updateCheckDue();
}

void frmWelcome::startVersionClock()
{
    if (UpdateShown)
        Timer1->setEnabled(false);
    else
        Timer1->setInterval(50);
}

void frmWelcome::InitForm()
{
    look::paint({window(),
                 lblWelcome.get(),
                 lblVersion.get(),
                 cmdUpdate.get(),
                 cmdDownload.get(),
                 cmdHelp.get(),
                 cmdExit.get()});
    look::setBold(lblVersion.get());
    AskExit = true;
    lblVersion->setText(programVersionLine());
}

void frmWelcome::setBanner(const QPixmap &picture)
{
    QLabel *banner = ImgBanner.get();
    const QSize room = banner->size();
    if (picture.width() > room.width() || picture.height() > room.height())
        banner->setPixmap(picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        banner->setPixmap(picture);
}

void frmWelcome::Timer1_Timer()
{
    if (m_versionTicks != 10) {
        ++m_versionTicks;
        return;
    }
    // Stopped before the check starts: its query blocks and its boxes run nested event loops,
    // and a tick meanwhile must not start a second check.
    Timer1->setEnabled(false);
    UpdateShown = true;
    Q_EMIT versionCheckDue();
}

void frmWelcome::Timer2_Timer()
{
    ImgBanner->setVisible(m_blinkTicks % 2 == 0);
    ++m_blinkTicks;
}

void frmWelcome::cmdUpdate_Click()
{
    if (m_updating)
        return;
    m_updating = true;
    Timer2->setEnabled(false);
    setMousePointer(platform::vbHourglass);

    device::ScaleProgrammer &scale = *m_scale;
    if (!scale.isOpen()) {
        if (const auto error = scale.open()) {
            qCWarning(lcWelcome).noquote()
                << "cannot open the scale's port COM" + QString::number(scale.portNumber()) + ':'
                << error->text();
            toScaleError();
            return;
        }
    }
    connect(&scale,
            &device::ScaleProgrammer::serialNumberRead,
            this,
            &frmWelcome::serialNumberRead,
            Qt::SingleShotConnection);
    scale.readSerialNumber();
}

void frmWelcome::serialNumberRead(const QString &serial)
{
    KovaraSN = serial;
    device::ScaleProgrammer &scale = *m_scale;
    if (KovaraSN.isEmpty()) {
        qCWarning(lcWelcome).noquote() << "the scale did not answer with its serial number on COM"
                + QString::number(scale.portNumber());
        toScaleError();
        return;
    }
    qCInfo(lcWelcome).noquote() << "the scale answered with serial number" << KovaraSN;
    Q_EMIT scaleAnswered(KovaraSN);
    m_updating = false;
}

void frmWelcome::toScaleError()
{
    Q_EMIT scaleSilent();
    m_updating = false;
}

void frmWelcome::cmdDownload_Click()
{
    setMousePointer(platform::vbHourglass);
    modCheck::ShellOpenOrTell(modCheck::ManualURL());
    setMousePointer(platform::vbDefault);
}

void frmWelcome::cmdHelp_Click()
{
    Q_EMIT helpRequested();
    setWindowState(platform::vbMinimized);
}

void frmWelcome::cmdExit_Click()
{
    wizard::confirmQuit(window());
}

void frmWelcome::Form_Unload(bool &Cancel)
{
    // Both stopped before the question: its nested loop would let them tick, and a version check
    // that has not run yet must not run in this visit.
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    if (AskExit) {
        Cancel = true;
        wizard::confirmQuit(window());
    }
}
