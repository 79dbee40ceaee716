#include "ScriptedDialogs.h"

#include "ScreenRecord.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace testing_support {

QMessageBox::StandardButton ScriptedDialogs::showBox(QWidget *, const Prompt &prompt)
{
    m_texts << prompt.text;
    collectBox(describeBox(prompt));
    if (m_hook)
        m_hook();
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << prompt.text.toStdString();
        return cancelling(prompt.buttons);
    }
    const QMessageBox::StandardButton result = m_answers.front();
    m_answers.pop_front();
    return result;
}

QString ScriptedDialogs::showInput(QWidget *, const QString &label, const QString &title)
{
    m_texts << label;
    collectBox(describeInputBox(title, label));
    if (m_hook)
        m_hook();
    if (m_typed.empty()) {
        ADD_FAILURE() << "unexpected input box: " << label.toStdString();
        return QString();
    }
    const QString text = m_typed.front();
    m_typed.pop_front();
    return text;
}

bool ScriptedDialogs::showQuit(QWidget *over,
                               QuitDialog::Subject,
                               bool modal,
                               std::function<void()> onYes)
{
    m_quitsModal << modal;
    if (m_hook)
        m_hook();
    if (m_quits.empty()) {
        ADD_FAILURE() << "unexpected quit question over "
                      << (over ? over->objectName().toStdString() : "no window");
        return false;
    }
    const bool yes = m_quits.front();
    m_quits.pop_front();
    // A question that does not block answers once the program is back in its event loop, and
    // not at all when its window has gone by then.
    if (!modal && yes)
        QTimer::singleShot(0, over, std::move(onYes));
    return yes;
}

} // namespace testing_support
