#include "app/frmCheckScale.h"

#include "app/ProgramVersion.h"
#include "app/QuitQuestion.h"
#include "app/frmDownload.h"
#include "assets/Pictures.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Look.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcWizard, "kovara.wizard")
}

frmCheckScale::frmCheckScale()
    : Form(QStringLiteral("frmCheckScale"))
{ }

void frmCheckScale::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Update Scale"));
    window->setFixedSize(540, 300);

    auto *version = new QLabel(window);
    version->setGeometry(20, 14, 500, 26);
    look::setPointSize(version, 12);
    lblVersion.set(version);

    auto *serial = new QLabel(window);
    serial->setGeometry(20, 44, 500, 22);
    lblSerial.set(serial);

    auto *picture = new QLabel(window);
    picture->setGeometry(20, 78, 96, 96);
    picture->setPixmap(
        pictures::scale().scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    Image1.set(picture);

    auto *check = new QLabel(
        QStringLiteral("Before your scale will be updated, the PC Program needs to download a "
                       "file. Please paste the link of the update file in the text box below and "
                       "click Continue button. The file will be automatically saved to "
                       "KovaraScale folder."),
        window);
    check->setGeometry(130, 78, 390, 96);
    check->setWordWrap(true);
    lblCheck.set(check);

    auto *link = new QLabel(QStringLiteral("Link:"), window);
    link->setGeometry(20, 192, 50, 24);
    lblLink.set(link);

    auto *text = new QLineEdit(window);
    text->setGeometry(72, 190, 448, 26);
    txtLink.set(text);
    connect(text, &QLineEdit::returnPressed, this, [this] { txtLink_KeyPress(13); });

    auto *next = new QPushButton(QStringLiteral("&Continue"), window);
    next->setGeometry(150, 244, 110, 32);
    next->setToolTip(QStringLiteral("Continue updating your scale."));
    // A second Enter, with the focus on the button, presses it.
    next->setAutoDefault(true);
    cmdContinue.set(next);
    connect(next, &QPushButton::clicked, this, &frmCheckScale::cmdContinue_Click);

    auto *exit = new QPushButton(QStringLiteral("E&xit"), window);
    exit->setGeometry(280, 244, 110, 32);
    exit->setToolTip(QStringLiteral("Quit PC Program. Scale will not be updated."));
    exit->setAutoDefault(true);
    cmdExit.set(exit);
    connect(exit, &QPushButton::clicked, this, &frmCheckScale::cmdExit_Click);

    QWidget::setTabOrder(text, next);
    QWidget::setTabOrder(next, exit);
}

void frmCheckScale::Form_Load()
{
    look::paint({window(),
                 lblVersion.get(),
                 lblSerial.get(),
                 Image1.get(),
                 lblCheck.get(),
                 lblLink.get(),
                 cmdContinue.get(),
                 cmdExit.get()});
    look::setBold(lblVersion.get());
    lblVersion->setText(programVersionLine());
    lblSerial->setText(QStringLiteral("Kovara Scale Serial Number:  ") + m_serialNumber);
    AskExit = true;
    centerOnScreen();
    // The address can be pasted at once.
    txtLink->setFocus();
}

void frmCheckScale::txtLink_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        cmdContinue->setFocus();
}

void frmCheckScale::cmdContinue_Click()
{
    // Once the download window's cancel has enabled this window again, the download still ends
    // inside this handler: a second press meanwhile starts nothing.
    if (m_downloading)
        return;
    Link = txtLink->text().trimmed();
    if (Link.isEmpty()) {
        platform::MsgBox(QStringLiteral("Please provide the link on the text box."),
                         platform::mb::OKOnly,
                         QStringLiteral("Missing Link"));
        return;
    }

    setEnabled(false);
    setMousePointer(platform::vbHourglass);
    m_downloading = true;
    qCInfo(lcWizard).noquote() << "downloading the update file from" << Link;
    ::frmDownload &download = Forms::frmDownload();
    // A cancel from the download window's close box gives this window back at once, so that its
    // own close and Exit answer while the download ends.
    const QMetaObject::Connection giveBack
        = connect(&download, &frmDownload::closedByUser, this, [this] {
              if (isLoaded())
                  setEnabled(true);
          });
    const bool ok = download.DownloadFile(
        Link, platform::workingFile(QString::fromLatin1(platform::kUpdateFileName)), {}, {});
    disconnect(giveBack);
    m_downloading = false;
    // Closed meanwhile (Yes to the quit question once the cancel had enabled it): touching the
    // window now would load it again.
    if (!isLoaded())
        return;
    setMousePointer(platform::vbDefault);

    if (ok && !download.CancelSearch) {
        qCInfo(lcWizard) << "update file downloaded";
        Q_EMIT updateFileDownloaded();
        return;
    }
    qCInfo(lcWizard) << "the update file did not arrive; the address stays for another try";
    setEnabled(true);
    SetFocus();
    txtLink->setFocus();
}

void frmCheckScale::cmdExit_Click()
{
    AskExit = true;
    wizard::confirmQuit(window());
}

void frmCheckScale::Form_Unload(bool &Cancel)
{
    if (!AskExit)
        return;
    Cancel = true;
    wizard::confirmQuit(window());
}
