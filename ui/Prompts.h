#pragma once

// The program's message and input boxes and its quit question. A Prompt is what a box shows, in
// Qt's terms; Prompts shows it modal over its parent and returns the button chosen. The real boxes
// are QMessageBox, QInputDialog and QuitDialog (QtPrompts); a test gives a double that answers from
// a queue and records every box (tests/support/ScriptedDialogs.h). Every box is logged with its
// title and text, every quit question with its subject and the window it is asked over.

#include "ui/QuitDialog.h"

#include <QMessageBox>
#include <QString>

#include <functional>

struct Prompt
{
    QString text; // lines separated by CR, as the program writes them
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title = {}; // empty: the program's title
    // NoButton: Yes, Retry, Ok or Abort, whichever the box has.
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

class Prompts
{
public:
    virtual ~Prompts() = default;

    // The button chosen: Yes, Retry, Ok or Abort is the default; Esc and the close box give the
    // set's cancelling button (No, Cancel, Abort, or Ok when it is alone).
    QMessageBox::StandardButton ask(QWidget *parent, const Prompt &prompt);
    bool askYes(QWidget *parent, const Prompt &prompt)
    {
        return ask(parent, prompt) == QMessageBox::Yes;
    }
    void tell(QWidget *parent, const Prompt &prompt) { ask(parent, prompt); }
    // The text typed, or "" on Cancel.
    QString askText(QWidget *parent, const QString &label, QString title = {});
    // The quit question, modal over `over`: true when the user chose Yes.
    bool askQuit(QWidget *over, QuitDialog::Subject subject);
    // The same without blocking the other windows: onYes runs when the user chooses Yes.
    void offerQuit(QWidget *over, QuitDialog::Subject subject, std::function<void()> onYes);

    // The button a box of these buttons gives when it is closed without a choice.
    static QMessageBox::StandardButton cancelling(QMessageBox::StandardButtons buttons);

protected:
    virtual QMessageBox::StandardButton showBox(QWidget *parent, const Prompt &prompt) = 0;
    virtual QString showInput(QWidget *parent, const QString &label, const QString &title) = 0;
    // modal false: the question returns at once and onYes runs on the user's Yes.
    virtual bool
    showQuit(QWidget *over, QuitDialog::Subject subject, bool modal, std::function<void()> onYes)
        = 0;
};

class QtPrompts final : public Prompts
{
protected:
    QMessageBox::StandardButton showBox(QWidget *parent, const Prompt &prompt) override;
    QString showInput(QWidget *parent, const QString &label, const QString &title) override;
    bool showQuit(QWidget *over,
                  QuitDialog::Subject subject,
                  bool modal,
                  std::function<void()> onYes) override;
};

// Gives a QMessageBox the title, text, icon and buttons (with the default) of a prompt.
void preparePromptBox(QMessageBox &box, const Prompt &prompt);
