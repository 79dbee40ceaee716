#pragma once

// A double of the message and input boxes and of the quit question. Each box takes the next answer
// from a queue and is recorded (its text here, the whole box in the message record), so a test
// states what the user answers before the run and checks afterwards what the program asked. A box
// with no answer queued fails the test and gets the cancelling answer of its buttons.

#include "ui/Prompts.h"

#include <QStringList>

#include <deque>
#include <functional>

namespace testing_support {

class ScriptedDialogs final : public Prompts
{
public:
    // The next message box answers this (QMessageBox::Yes, QMessageBox::Retry...).
    void answer(QMessageBox::StandardButton result) { m_answers.push_back(result); }
    // The next input box answers this text ("" is Cancel).
    void type(const QString &text) { m_typed.push_back(text); }
    // The next quit question answers Yes (true) or Cancel.
    void answerQuit(bool yes) { m_quits.push_back(yes); }
    // Whether each quit question so far blocked the other windows.
    const QList<bool> &quitsModal() const { return m_quitsModal; }
    // Runs when a box or a quit question is shown, before it answers (to act "during" it).
    void onBox(std::function<void()> hook) { m_hook = std::move(hook); }
    // The texts of every box so far (an input box's label), in order.
    const QStringList &texts() const { return m_texts; }

protected:
    QMessageBox::StandardButton showBox(QWidget *parent, const Prompt &prompt) override;
    QString showInput(QWidget *parent, const QString &label, const QString &title) override;
    bool showQuit(QWidget *over,
                  QuitDialog::Subject subject,
                  bool modal,
                  std::function<void()> onYes) override;

private:
    std::deque<QMessageBox::StandardButton> m_answers;
    std::deque<QString> m_typed;
    std::deque<bool> m_quits;
    QList<bool> m_quitsModal;
    QStringList m_texts;
    std::function<void()> m_hook;
};

} // namespace testing_support
