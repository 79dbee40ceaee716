#include "ui/Prompts.h"

#include "platform/ProgramVersion.h"

#include <QInputDialog>
#include <QLoggingCategory>
#include <QPointer>

namespace {

Q_LOGGING_CATEGORY(lcPrompts, "kovara.prompts")

QString withLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QMessageBox::StandardButton defaultOf(QMessageBox::StandardButtons buttons)
{
    for (const QMessageBox::StandardButton button :
         {QMessageBox::Yes, QMessageBox::Retry, QMessageBox::Ok, QMessageBox::Abort}) {
        if (buttons.testFlag(button))
            return button;
    }
    return QMessageBox::NoButton;
}

} // namespace

QMessageBox::StandardButton Prompts::ask(QWidget *parent, const Prompt &asked)
{
    Prompt prompt = asked;
    if (prompt.title.isEmpty())
        prompt.title = platform::applicationTitle();
    qCInfo(lcPrompts).noquote() << "message box:" << prompt.title << "-" << prompt.text;
    const QMessageBox::StandardButton answer = showBox(parent, prompt);
    qCDebug(lcPrompts) << "answer" << answer;
    return answer;
}

QString Prompts::askText(QWidget *parent, const QString &label, QString title)
{
    if (title.isEmpty())
        title = platform::applicationTitle();
    qCInfo(lcPrompts).noquote() << "input box:" << title << "-" << label;
    return showInput(parent, label, title);
}

static void logQuit(QWidget *over, QuitDialog::Subject subject)
{
    const char *about = subject == QuitDialog::Subject::ScaleUpdate ? "the update"
        : subject == QuitDialog::Subject::ScaleBeingWritten         ? "the update in progress"
                                                                    : "the new version's download";
    qCInfo(lcPrompts).noquote() << "quit question about" << about << "over"
                                << (over ? over->objectName() : QStringLiteral("none"));
}

bool Prompts::askQuit(QWidget *over, QuitDialog::Subject subject)
{
    logQuit(over, subject);
    return showQuit(over, subject, true, {});
}

void Prompts::offerQuit(QWidget *over, QuitDialog::Subject subject, std::function<void()> onYes)
{
    logQuit(over, subject);
    showQuit(over, subject, false, std::move(onYes));
}

QMessageBox::StandardButton Prompts::cancelling(QMessageBox::StandardButtons buttons)
{
    for (const QMessageBox::StandardButton button :
         {QMessageBox::No, QMessageBox::Cancel, QMessageBox::Abort}) {
        if (buttons.testFlag(button))
            return button;
    }
    return QMessageBox::Ok;
}

void preparePromptBox(QMessageBox &box, const Prompt &prompt)
{
    box.setWindowTitle(prompt.title);
    box.setText(withLineBreaks(prompt.text));
    box.setIcon(prompt.icon);
    box.setStandardButtons(prompt.buttons);
    box.setDefaultButton(prompt.defaultButton != QMessageBox::NoButton ? prompt.defaultButton
                                                                       : defaultOf(prompt.buttons));
}

QMessageBox::StandardButton QtPrompts::showBox(QWidget *parent, const Prompt &prompt)
{
    QMessageBox box(parent);
    preparePromptBox(box, prompt);
    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    return clicked == QMessageBox::NoButton ? cancelling(prompt.buttons) : clicked;
}

QString QtPrompts::showInput(QWidget *parent, const QString &label, const QString &title)
{
    bool ok = false;
    const QString text = QInputDialog::getText(
        parent, title, withLineBreaks(label), QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

bool QtPrompts::showQuit(QWidget *over,
                         QuitDialog::Subject subject,
                         bool modal,
                         std::function<void()> onYes)
{
    if (modal) {
        // The dialog goes with the question, even when its window went while it was up.
        const QPointer<QuitDialog> dialog = new QuitDialog(subject, over);
        const bool yes = dialog->exec() == QDialog::Accepted;
        delete dialog.data();
        return yes;
    }
    auto *dialog = new QuitDialog(subject, over);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::accepted, dialog, std::move(onYes));
    dialog->show();
    return false;
}
