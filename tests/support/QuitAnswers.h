#pragma once

// Answers the program's quit questions as a user would, by clicking the dialog's button, and
// records whether each was modal (the log says over which window, and which question). Answers
// are given in the order queued; a question with no answer queued is answered Cancel, so a test
// never hangs on a modal question.

#include <QList>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>

class QDialog;

namespace testing_support {

class QuitAnswers final : public QObject
{
public:
    enum class Answer { Yes, Cancel };

    QuitAnswers();
    ~QuitAnswers() override;

    // during runs while the question is on screen, before the answer.
    void answer(Answer answer, std::function<void(QDialog &)> during = {});

    // Whether each question asked so far was modal.
    QList<bool> modal;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Queued
    {
        Answer answer;
        std::function<void(QDialog &)> during;
    };
    std::deque<Queued> m_answers;
};

} // namespace testing_support
