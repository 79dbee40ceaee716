#include "app/frmQuit.h"

#include "app/frmVersion.h"
#include "platform/Files.h"
#include "platform/Look.h"
#include "platform/Process.h"

frmQuit::frmQuit()
    : Form(QStringLiteral("frmQuit"))
{ }

void frmQuit::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Quit PC Program"));
    window->setFixedSize(380, 140);

    auto *question = new QLabel(window);
    question->setGeometry(20, 20, 340, 50);
    question->setWordWrap(true);
    lblQuit.set(question);

    auto *yes = new QPushButton(QStringLiteral("&Yes"), window);
    yes->setGeometry(80, 90, 100, 30);
    cmdYes.set(yes);
    connect(yes, &QPushButton::clicked, this, &frmQuit::cmdYes_Click);

    auto *cancel = new QPushButton(QStringLiteral("&Cancel"), window);
    cancel->setGeometry(200, 90, 100, 30);
    cancel->setDefault(true);
    cmdCancel.set(cancel);
    connect(cancel, &QPushButton::clicked, this, &frmQuit::cmdCancel_Click);
}

void frmQuit::Form_Load()
{
    look::paint({window(), lblQuit.get(), cmdYes.get(), cmdCancel.get()});
    if (!Forms::frmVersion().NewVersion) {
        lblQuit->setText(QStringLiteral("Are you sure you want to quit updating your scale?"));
    } else {
        setCaption(QStringLiteral("Exit Download"));
        lblQuit->setText(QStringLiteral(
            "Are you sure you do not want to download the latest version of Kovara PC Program?"));
    }
    centerOnScreen();
}

void frmQuit::cmdYes_Click()
{
    ::frmVersion &version = Forms::frmVersion();
    if (!version.NewVersion) {
        platform::deleteFile(platform::workingFile(QString::fromLatin1(platform::kBannerFileName)));
        platform::deleteFile(platform::workingFile(QString::fromLatin1(platform::kUpdateFileName)));
        platform::Terminate();
        return;
    }
    version.NewVersion = false;
    version.AskExit = false;
    CloseWindow = true;
    version.Close();
    Close();
}

void frmQuit::cmdCancel_Click()
{
    Close();
}
