#include "app/frmVersion.h"

#include "app/ProgramVersion.h"
#include "app/QuitQuestion.h"
#include "assets/Pictures.h"
#include "platform/Look.h"
#include "query/modCheck.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCheck)

frmVersion::frmVersion()
    : Form(QStringLiteral("frmVersion"))
{ }

void frmVersion::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Program Version"));
    window->setFixedSize(520, 260);

    auto *picture = new QLabel(window);
    picture->setGeometry(20, 20, 96, 96);
    picture->setPixmap(pictures::newVersion());
    picture->setAlignment(Qt::AlignCenter);
    Image1.set(picture);

    auto label = [window](const QString &text, int left, int top, int width, int height) {
        auto *l = new QLabel(text, window);
        l->setGeometry(left, top, width, height);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    QLabel *status = label(QStringLiteral("It has been automatically detected that your PC "
                                          "Program is not the latest version."),
                           136,
                           20,
                           364,
                           44);
    status->setWordWrap(true);
    lblStatus.set(status);
    lblProgVer.set(label(QStringLiteral("Your PC Program Version:"), 136, 80, 200, 22));
    QLabel *prog = label(QString(), 340, 80, 160, 22);
    prog->setToolTip(QStringLiteral("This is the version of the current/running PC Program."));
    lblProg.set(prog);
    lblLatestVer.set(label(QStringLiteral("Latest PC Program Version:"), 136, 108, 200, 22));
    QLabel *latest = label(QString(), 340, 108, 160, 22);
    latest->setToolTip(QStringLiteral("This is the latest PC Program version available."));
    lblLatest.set(latest);
    lblPCProg.set(label(QString(), 136, 144, 364, 22));

    auto *download = new QPushButton(QStringLiteral("&Download PC Program"), window);
    download->setGeometry(136, 200, 220, 34);
    download->setToolTip(QStringLiteral("Download the latest PC Program for free."));
    download->setEnabled(false);
    cmdDownloadPCProg.set(download);
    connect(download, &QPushButton::clicked, this, &frmVersion::cmdDownloadPCProg_Click);

    auto *exit = new QPushButton(QStringLiteral("E&xit"), window);
    exit->setGeometry(380, 200, 120, 34);
    exit->setEnabled(false);
    cmdExit.set(exit);
    connect(exit, &QPushButton::clicked, this, &frmVersion::cmdExit_Click);
}

void frmVersion::Form_Load()
{
    look::paint({window(),
                 lblStatus.get(),
                 lblProgVer.get(),
                 lblProg.get(),
                 lblLatestVer.get(),
                 lblLatest.get(),
                 lblPCProg.get(),
                 cmdDownloadPCProg.get(),
                 cmdExit.get(),
                 Image1.get()});
    lblPCProg->setText(programVersionLine());
    AskExit = true;
    centerOnScreen();
}

void frmVersion::Form_Activate()
{
    AskExit = true;
}

void frmVersion::cmdExit_Click()
{
    wizard::askLeaveDownload(window(), [this] {
        AskExit = false;
        Close();
    });
}

void frmVersion::cmdDownloadPCProg_Click()
{
    DownloadPCProgram();
}

void frmVersion::DownloadPCProgram()
{
    setWindowState(platform::vbMinimized);
    setMousePointer(platform::vbHourglass);
    const bool opened = modCheck::ShellOpenOrTell(modCheck::InstallerURL());
    setMousePointer(platform::vbDefault);
    if (opened) {
        qCInfo(lcCheck).noquote() << "the installer's address went to the browser";
        Q_EMIT installerOpened();
    }
    AskExit = false;
    Close();
}

void frmVersion::Form_Unload(bool &Cancel)
{
    if (!AskExit)
        return;
    if (wizard::confirmLeaveDownload(window()))
        AskExit = false;
    else
        Cancel = true;
}
