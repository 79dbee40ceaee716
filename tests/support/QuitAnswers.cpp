#include "QuitAnswers.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace testing_support {

QuitAnswers::QuitAnswers()
{
    qApp->installEventFilter(this);
}

QuitAnswers::~QuitAnswers()
{
    qApp->removeEventFilter(this);
}

void QuitAnswers::answer(Answer answer, std::function<void(QDialog &)> during)
{
    m_answers.push_back({answer, std::move(during)});
}

bool QuitAnswers::eventFilter(QObject *watched, QEvent *event)
{
    auto *dialog = qobject_cast<QDialog *>(watched);
    if (event->type() != QEvent::Show || !dialog
        || dialog->objectName() != QLatin1String("frmQuit"))
        return false;
    Queued next {Answer::Cancel, {}};
    if (!m_answers.empty()) {
        next = std::move(m_answers.front());
        m_answers.pop_front();
    }
    const QPointer<QDialog> shown = dialog;
    // Answered once the dialog runs (inside its exec() when it is modal).
    QTimer::singleShot(0, dialog, [this, shown, next] {
        modal.append(shown->windowModality() != Qt::NonModal);
        if (next.during)
            next.during(*shown);
        if (!shown)
            return;
        const QString button
            = next.answer == Answer::Yes ? QStringLiteral("cmdYes") : QStringLiteral("cmdCancel");
        if (auto *push = shown->findChild<QPushButton *>(button))
            push->click();
    });
    return false;
}

} // namespace testing_support
