#pragma once

// A double of the message and input boxes. Each box takes the next answer from a queue and is
// recorded (its text here, the whole box in the message record), so a test states what the user
// answers before the run and checks afterwards what the program asked. A box with no answer queued
// fails the test and gets the cancelling answer of its buttons.

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
    // Runs when a box is shown, before it answers (to act "during" a modal box).
    void onBox(std::function<void()> hook) { m_hook = std::move(hook); }
    // The texts of every box so far (an input box's label), in order.
    const QStringList &texts() const { return m_texts; }

protected:
    QMessageBox::StandardButton showBox(QWidget *parent, const Prompt &prompt) override;
    QString showInput(QWidget *parent, const QString &label, const QString &title) override;

private:
    std::deque<QMessageBox::StandardButton> m_answers;
    std::deque<QString> m_typed;
    QStringList m_texts;
    std::function<void()> m_hook;
};

} // namespace testing_support
