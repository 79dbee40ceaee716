#include "app/frmSuccessUpdate.h"

#include "platform/Files.h"
#include "platform/Look.h"
#include "platform/Process.h"

Q_LOGGING_CATEGORY(lcSuccess, "kovara.success")

frmSuccessUpdate::frmSuccessUpdate()
    : Form(QStringLiteral("frmSuccessUpdate"))
{ }

void frmSuccessUpdate::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Updating Your Scale"));
    window->setFixedSize(460, 210);

    auto *update = new QLabel(
        QStringLiteral("Please wait while your Kovara scale completes its update..."), window);
    update->setGeometry(20, 20, 420, 60);
    update->setWordWrap(true);
    lblUpdate.set(update);

    auto *success = new QLabel(
        QStringLiteral("Your Kovara scale has been updated successfully. You may now start using "
                       "it with its latest postage rates. Please do not hesitate to contact us if "
                       "you have problems with the updated software."),
        window);
    success->setGeometry(20, 20, 420, 100);
    success->setWordWrap(true);
    success->setVisible(false);
    lblSuccess.set(success);

    auto *exit = new QPushButton(QStringLiteral("E&xit"), window);
    exit->setGeometry(180, 150, 100, 30);
    exit->setDefault(true);
    exit->setVisible(false);
    cmdExit.set(exit);
    connect(exit, &QPushButton::clicked, this, &frmSuccessUpdate::cmdExit_Click);

    auto *timer = new platform::Timer(window);
    timer->setInterval(0);
    Timer1.set(timer);
    connect(timer, &platform::Timer::Tick, this, &frmSuccessUpdate::Timer1_Timer);
}

void frmSuccessUpdate::Form_Load()
{
    look::paint({window(), cmdExit.get(), lblSuccess.get(), lblUpdate.get()});
    centerOnScreen();
}

void frmSuccessUpdate::Form_Activate()
{
    setMousePointer(platform::vbHourglass);
    Timer1->setEnabled(true);
    Timer1->setInterval(1000);
}

void frmSuccessUpdate::Timer1_Timer()
{
    if (TickCount < 10) {
        ++TickCount;
        return;
    }
    setCaption(QStringLiteral("Successful Scale Update"));
    setMousePointer(platform::vbDefault);
    Timer1->setEnabled(false);
    lblUpdate->setVisible(false);
    lblSuccess->setVisible(true);
    cmdExit->setVisible(true);
    cmdExit->setFocus();
}

void frmSuccessUpdate::cmdExit_Click()
{
    deleteFilesAndEnd();
}

void frmSuccessUpdate::Form_Unload(bool &Cancel)
{
    (void)Cancel;
    deleteFilesAndEnd();
}

void frmSuccessUpdate::deleteFilesAndEnd()
{
    qCInfo(lcSuccess) << "update finished; the working files go";
    platform::deleteFile(platform::workingFile(QString::fromLatin1(platform::kUpdateFileName)));
    platform::deleteFile(platform::workingFile(QString::fromLatin1(platform::kBannerFileName)));
    platform::Terminate();
}
