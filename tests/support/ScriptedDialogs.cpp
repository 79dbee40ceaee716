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

int ScriptedDialogs::messageBox(const platform::MessageBoxRequest &request)
{
    Box box {Box::Message, request.text, request.buttons, request.icon, request.title};
    m_boxes.push_back(box);
    collectBox(describeBox(request));
    if (m_hook)
        m_hook(box);
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << request.text.toStdString();
        switch (request.buttons) {
        case platform::mb::OKOnly:
            return platform::mb::OK;
        case platform::mb::YesNo:
            return platform::mb::No;
        default:
            return platform::mb::Cancel;
        }
    }
    const int result = m_answers.front();
    m_answers.pop_front();
    return result;
}

QString ScriptedDialogs::inputBox(const platform::InputBoxRequest &request)
{
    Box box {Box::Input, request.prompt, 0, 0, request.title};
    m_boxes.push_back(box);
    collectBox(describeBox(request));
    if (m_hook)
        m_hook(box);
    if (m_typed.empty()) {
        ADD_FAILURE() << "unexpected input box: " << request.prompt.toStdString();
        return QString();
    }
    const QString text = m_typed.front();
    m_typed.pop_front();
    return text;
}

} // namespace testing_support
