#include "app/QuitQuestion.h"
#include "app/AppLog.h"

#include "ui/QuitDialog.h"

#include <QLoggingCategory>
#include <QPointer>

namespace wizard {

namespace {

QuitDialog *makeDialog(QuitDialog::Subject subject, QWidget *over)
{
    auto *dialog = new QuitDialog(subject, over);
    const char *about = subject == QuitDialog::Subject::ScaleUpdate ? "the update"
        : subject == QuitDialog::Subject::ScaleBeingWritten         ? "the update in progress"
                                                                    : "the new version's download";
    qCInfo(lcForms).noquote() << "quit question about" << about << "over"
                              << (over ? over->objectName() : QStringLiteral("none"));
    return dialog;
}

bool ask(QuitDialog::Subject subject, QWidget *over)
{
    const QPointer<QuitDialog> dialog = makeDialog(subject, over);
    const bool chosen = dialog->exec() == QDialog::Accepted;
    delete dialog.data();
    return chosen;
}

} // namespace

bool askQuit(QWidget *over)
{
    return ask(QuitDialog::Subject::ScaleUpdate, over);
}

bool askQuitWhileWriting(QWidget *over)
{
    return ask(QuitDialog::Subject::ScaleBeingWritten, over);
}

bool confirmLeaveDownload(QWidget *over)
{
    return ask(QuitDialog::Subject::NewVersionDownload, over);
}

void askLeaveDownload(QWidget *over, std::function<void()> onYes)
{
    QuitDialog *dialog = makeDialog(QuitDialog::Subject::NewVersionDownload, over);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::accepted, dialog, std::move(onYes));
    dialog->show();
}

} // namespace wizard
