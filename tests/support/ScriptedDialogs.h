#pragma once

// A double of the message and input boxes. Each box takes the next answer from a queue and is
// recorded (text, buttons, icon, title), so a test states what the user answers before the run
// and checks afterwards what the program asked. A box with no answer queued fails the test and
// gets the cancelling answer of its button set.

#include "platform/Dialogs.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace testing_support {

class ScriptedDialogs final : public platform::Dialogs
{
public:
    struct Box
    {
        enum Kind { Message, Input } kind;
        QString text;
        int buttons = 0;
        int icon = 0;
        QString title;
    };

    // The next message box answers this (mb::Yes, mb::Retry...).
    void answer(int result) { m_answers.push_back(result); }
    // The next input box answers this text ("" is Cancel).
    void type(const QString &text) { m_typed.push_back(text); }
    // Runs when a box is shown, before it answers (to act "during" a modal box).
    void onBox(std::function<void(const Box &)> hook) { m_hook = std::move(hook); }

    const std::vector<Box> &boxes() const { return m_boxes; }
    // Texts of every box so far, in order.
    QStringList texts() const;
    void clear() { m_boxes.clear(); }
    bool allAnswersUsed() const { return m_answers.empty() && m_typed.empty(); }

    int messageBox(const platform::MessageBoxRequest &request) override;
    QString inputBox(const platform::InputBoxRequest &request) override;

private:
    std::deque<int> m_answers;
    std::deque<QString> m_typed;
    std::vector<Box> m_boxes;
    std::function<void(const Box &)> m_hook;
};

} // namespace testing_support
