#include "app/QuitQuestion.h"

#include "app/frmVersion.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "ui/QuitDialog.h"

#include <QLoggingCategory>
#include <QPointer>

namespace wizard {

namespace {

Q_LOGGING_CATEGORY(lcQuit, "kovara.forms")

QPointer<QuitDialog> g_shown;

QuitDialog *makeDialog(QWidget *over)
{
    const bool download = Forms::frmVersion().NewVersion;
    auto *dialog = new QuitDialog(download ? QuitDialog::Subject::NewVersionDownload
                                           : QuitDialog::Subject::ScaleUpdate,
                                  over);
    qCInfo(lcQuit).noquote() << "quit question:" << dialog->windowTitle() << "over"
                             << (over ? over->objectName() : QStringLiteral("none"));
    g_shown = dialog;
    return dialog;
}

void yes()
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
    version.Close();
}

} // namespace

bool confirmQuit(QWidget *over)
{
    QuitDialog *dialog = makeDialog(over);
    const QPointer<QuitDialog> alive = dialog;
    const bool chosen = dialog->exec() == QDialog::Accepted;
    delete alive.data();
    if (chosen)
        yes();
    return chosen;
}

void askQuit(QWidget *over)
{
    QuitDialog *dialog = makeDialog(over);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::accepted, dialog, [] { yes(); });
    dialog->show();
}

bool quitQuestionShown()
{
    return g_shown && g_shown->isVisible();
}

} // namespace wizard
