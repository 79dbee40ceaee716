#include "ScriptedDialogs.h"

#include "ScreenRecord.h"

#include <gtest/gtest.h>

namespace testing_support {

QStringList ScriptedDialogs::texts() const
{
    QStringList list;
    for (const Box &box : m_boxes)
        list << box.text;
    return list;
}

QMessageBox::StandardButton ScriptedDialogs::showBox(QWidget *parent, const Prompt &prompt)
{
    Box box {Box::Message, prompt.text, prompt.buttons, prompt.icon, prompt.title, parent};
    m_boxes.push_back(box);
    collectBox(describeBox(prompt));
    if (m_hook)
        m_hook(box);
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << prompt.text.toStdString();
        return cancelling(prompt.buttons);
    }
    const QMessageBox::StandardButton result = m_answers.front();
    m_answers.pop_front();
    return result;
}

QString ScriptedDialogs::showInput(QWidget *parent, const QString &label, const QString &title)
{
    Box box {Box::Input, label, QMessageBox::NoButton, QMessageBox::NoIcon, title, parent};
    m_boxes.push_back(box);
    collectBox(describeInputBox(title, label));
    if (m_hook)
        m_hook(box);
    if (m_typed.empty()) {
        ADD_FAILURE() << "unexpected input box: " << label.toStdString();
        return QString();
    }
    const QString text = m_typed.front();
    m_typed.pop_front();
    return text;
}

} // namespace testing_support
