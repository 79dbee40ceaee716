#pragma once

// A double of the message and input boxes. Each box takes the next answer from a queue and is
// recorded (text, buttons, icon, title, parent), so a test states what the user answers before
// the run and checks afterwards what the program asked. A box with no answer queued fails the
// test and gets the cancelling answer of its buttons.

#include "ui/Prompts.h"

#include <QPointer>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace testing_support {

class ScriptedDialogs final : public Prompts
{
public:
    struct Box
    {
        enum Kind { Message, Input } kind;
        QString text;
        QMessageBox::StandardButtons buttons = QMessageBox::NoButton;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QPointer<QWidget> parent = {};
    };

    // The next message box answers this (QMessageBox::Yes, QMessageBox::Retry...).
    void answer(QMessageBox::StandardButton result) { m_answers.push_back(result); }
    // The next input box answers this text ("" is Cancel).
    void type(const QString &text) { m_typed.push_back(text); }
    // Runs when a box is shown, before it answers (to act "during" a modal box).
    void onBox(std::function<void(const Box &)> hook) { m_hook = std::move(hook); }

    const std::vector<Box> &boxes() const { return m_boxes; }
    // Texts of every box so far, in order.
    QStringList texts() const;
    void clear() { m_boxes.clear(); }
    bool allAnswersUsed() const { return m_answers.empty() && m_typed.empty(); }

protected:
    QMessageBox::StandardButton showBox(QWidget *parent, const Prompt &prompt) override;
    QString showInput(QWidget *parent, const QString &label, const QString &title) override;

private:
    std::deque<QMessageBox::StandardButton> m_answers;
    std::deque<QString> m_typed;
    std::vector<Box> m_boxes;
    std::function<void(const Box &)> m_hook;
};

} // namespace testing_support
