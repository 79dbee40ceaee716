#include "app/frmStartUp.h"

#include "app/QuitQuestion.h"
#include "platform/Look.h"
#include "platform/Services.h"

#include <QLoggingCategory>
#include <QPointer>

Q_LOGGING_CATEGORY(lcStartUp, "kovara.startup")

frmStartUp::frmStartUp()
    : Form(QStringLiteral("frmStartUp"))
{ }

void frmStartUp::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Kovara PC Program"));
    window->setFixedSize(420, 230);

    auto *title = new QLabel(QStringLiteral("Kovara Norvessia PC Program"), window);
    title->setGeometry(20, 24, 380, 36);
    title->setAlignment(Qt::AlignCenter);
    look::setPointSize(title, 14);
    look::setBold(title);
    lblTitle.set(title);

    auto *version = new QLabel(window);
    version->setGeometry(20, 66, 380, 22);
    version->setAlignment(Qt::AlignCenter);
    lblVersion.set(version);

    auto *maker
        = new QLabel(QStringLiteral("Kovara Scales - postage scales and rate updates"), window);
    maker->setGeometry(20, 104, 380, 22);
    maker->setAlignment(Qt::AlignCenter);
    lblDurix.set(maker);

    auto *loading = new QLabel(QStringLiteral("Loading, please wait...."), window);
    loading->setGeometry(20, 160, 380, 22);
    loading->setAlignment(Qt::AlignCenter);
    lblLoading.set(loading);

    Timer1.set(new platform::Timer(window));
    connect(Timer1.peek(), &platform::Timer::Tick, this, &frmStartUp::Timer1_Timer);
}

void frmStartUp::Form_Load()
{
    VersionNum = programVersionText();
    AskExit = true;
    look::paint({window(), lblTitle.get(), lblVersion.get(), lblDurix.get(), lblLoading.get()});
    setMousePointer(platform::vbHourglass);
    look::setBold(lblVersion.get());
    lblVersion->setText(VersionNum);
    Timer1->setInterval(1000);
    centerOnScreen();
}

void frmStartUp::Timer1_Timer()
{
    // A tick that arrives while the probe runs is dropped, so the probe never runs twice.
    if (m_probing)
        return;
    switch (m_counter) {
    case 1: {
        m_probing = true;
        const QPointer<frmStartUp> self = this;
        platform::internetProbe().start([self](bool reachable) {
            if (self)
                self->probeEnded(reachable);
        });
        return;
    }
    case 2:
        Q_EMIT internetReached();
        break;
    default:
        break;
    }
    ++m_counter;
}

void frmStartUp::probeEnded(bool reachable)
{
    m_probing = false;
    ++m_counter;
    qCInfo(lcStartUp) << "internet reachable:" << reachable;
    if (!reachable && isLoaded()) {
        Timer1->setEnabled(false);
        Q_EMIT internetMissing();
    }
    // A close the user asked for meanwhile is answered now.
    if (m_closeWaiting && isLoaded()) {
        m_closeWaiting = false;
        window()->close();
    }
}

void frmStartUp::Form_Unload(bool &Cancel)
{
    if (!AskExit)
        return;
    Cancel = true;
    if (m_probing) {
        m_closeWaiting = true;
        return;
    }
    Timer1->setEnabled(false);
    wizard::confirmQuit(window());
    if (isLoaded())
        Timer1->setEnabled(true);
}
