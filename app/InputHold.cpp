#include "app/InputHold.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace {

bool isUserInput(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
        return true;
    case QEvent::Close:
        // A window's own close() is the program's; the user's comes from the window system.
        return event->spontaneous();
    default:
        return false;
    }
}

} // namespace

InputHold::InputHold(QObject *parent)
    : QObject(parent)
{ }

InputHold::~InputHold()
{
    if (m_depth > 0) {
        QCoreApplication::instance()->removeEventFilter(this);
        QGuiApplication::restoreOverrideCursor();
    }
}

void InputHold::hold()
{
    if (m_depth++ > 0)
        return;
    QCoreApplication::instance()->installEventFilter(this);
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void InputHold::release()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    QCoreApplication::instance()->removeEventFilter(this);
    QGuiApplication::restoreOverrideCursor();
    // Posted, so that they act after whatever the answer started in this call.
    for (auto &[receiver, event] : std::exchange(m_held, {})) {
        if (receiver)
            QCoreApplication::postEvent(receiver, event.release());
    }
}

bool InputHold::eventFilter(QObject *watched, QEvent *event)
{
    if (!isUserInput(event))
        return false;
    m_held.emplace_back(watched, event->clone());
    return true;
}
