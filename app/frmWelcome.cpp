#include "app/frmWelcome.h"

#include "app/frmStartUp.h"
#include "platform/Look.h"

frmWelcome::frmWelcome()
    : Form(QStringLiteral("frmWelcome"))
{ }

void frmWelcome::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Welcome to Kovara PC Program!"));
    window->setFixedSize(640, 420);

    auto *welcome = new QLabel(
        QStringLiteral("Welcome to Kovara PC Program! This program will let you update your "
                       "Kovara scale with the latest postage rates and services that are "
                       "available."),
        window);
    welcome->setGeometry(24, 20, 592, 60);
    welcome->setWordWrap(true);
    lblWelcome.set(welcome);

    auto *version = new QLabel(window);
    version->setGeometry(24, 90, 592, 30);
    look::setPointSize(version, 12);
    lblVersion.set(version);

    auto button = [window](const QString &caption, const QString &tip, int left, int width) {
        auto *b = new QPushButton(caption, window);
        b->setGeometry(left, 360, width, 34);
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
}

void frmWelcome::Form_Load()
{
    InitForm();
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
    // The start-up window's VersionNum is state, read without loading that window again.
    lblVersion->setText(QStringLiteral("Kovara PC Program ") + Forms::frmStartUp().VersionNum);
}
