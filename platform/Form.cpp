#include "platform/Form.h"

#include "platform/Look.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>

Q_LOGGING_CATEGORY(lcForms, "kovara.forms")

namespace platform {

FormWindow::FormWindow(Form *form)
    : QWidget(nullptr, Qt::Window)
    , m_form(form)
{
    setObjectName(form->name());
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    if (!m_form || !m_form->userClose())
        event->ignore();
    else
        event->accept();
}

void FormWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_form)
        m_form->activated();
}

void FormWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_form) {
        m_form->escapePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

Form::Form(const QString &name)
    : m_name(name)
{
    setObjectName(name);
}

Form::~Form()
{
    if (m_window) {
        // The widgets go with the form; no handler runs.
        m_window->hide();
        delete m_window.data();
    }
}

void Form::Load()
{
    if (m_state != State::Unloaded)
        return;
    m_state = State::Loading;
    ++m_loadCount;
    m_mousePointer = vbDefault;
    qCDebug(lcForms) << "load" << m_name;
    m_window = new FormWindow(this);
    build(m_window);
    Form_Load();
    if (m_state == State::Loading)
        m_state = State::Loaded;
}

void Form::Show()
{
    Load();
    if (!m_window)
        return;
    const bool wasVisible = m_window->isVisible();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    if (!wasVisible)
        qCInfo(lcForms).noquote() << "window shown:" << m_name << '"' + Caption() + '"';
}

void Form::Hide()
{
    if (m_window)
        m_window->hide();
}

bool Form::Close()
{
    if (m_state == State::Unloaded || m_inUnload)
        return true;
    bool cancel = false;
    m_inUnload = true;
    Form_Unload(cancel);
    m_inUnload = false;
    if (cancel) {
        qCDebug(lcForms) << "close cancelled" << m_name;
        return false;
    }
    destroyWindow();
    return true;
}

bool Form::userClose()
{
    if (m_inUnload)
        return false;
    qCDebug(lcForms) << "close by the user" << m_name;
    bool cancel = false;
    m_inUnload = true;
    Form_Unload(cancel);
    m_inUnload = false;
    if (cancel)
        return false;
    destroyWindow();
    // The close event itself is accepted by the caller; the widget is gone later.
    return true;
}

void Form::activated()
{
    if (m_state == State::Loaded)
        Form_Activate();
}

void Form::destroyWindow()
{
    qCInfo(lcForms).noquote() << "window closed:" << m_name;
    for (ControlBase *control : m_controls)
        control->release();
    m_state = State::Unloaded;
    if (FormWindow *window = m_window.data()) {
        m_window.clear();
        // The window may be deleted from inside one of its own handlers: stop its timers and
        // signals now, delete it later.
        for (QTimer *timer : window->findChildren<QTimer *>())
            timer->stop();
        window->blockSignals(true);
        window->hide();
        window->deleteLater();
    }
}

bool Form::isVisible() const
{
    return m_window && m_window->isVisible();
}

QWidget *Form::window()
{
    Load();
    return m_window.data();
}

QString Form::Caption() const
{
    return m_window ? m_window->windowTitle() : QString();
}

void Form::setCaption(const QString &caption)
{
    if (QWidget *w = window())
        w->setWindowTitle(caption);
}

void Form::setMousePointer(int pointer)
{
    QWidget *w = window();
    if (!w)
        return;
    m_mousePointer = pointer;
    if (pointer == vbHourglass)
        w->setCursor(Qt::WaitCursor);
    else
        w->unsetCursor();
}

int Form::WindowState() const
{
    return (m_window && (m_window->windowState() & Qt::WindowMinimized)) ? vbMinimized : vbNormal;
}

void Form::setWindowState(int state)
{
    QWidget *w = window();
    if (!w)
        return;
    if (state == vbMinimized)
        w->setWindowState(w->windowState() | Qt::WindowMinimized);
    else
        w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
}

bool Form::Enabled() const
{
    return !m_window || m_window->isEnabled();
}

void Form::setEnabled(bool enabled)
{
    if (QWidget *w = window())
        w->setEnabled(enabled);
}

void Form::SetFocus()
{
    if (QWidget *w = window()) {
        w->raise();
        w->activateWindow();
    }
}

void Form::centerOnScreen()
{
    if (QWidget *w = window())
        look::centre(w);
}

std::unordered_map<std::type_index, std::unique_ptr<Form>> &FormRegistry::forms()
{
    static std::unordered_map<std::type_index, std::unique_ptr<Form>> map;
    return map;
}

std::vector<Form *> &FormRegistry::order()
{
    static std::vector<Form *> list;
    return list;
}

void FormRegistry::reset()
{
    auto &list = order();
    auto &map = forms();
    while (!list.empty()) {
        Form *form = list.back();
        list.pop_back();
        for (auto it = map.begin(); it != map.end(); ++it) {
            if (it->second.get() == form) {
                std::unique_ptr<Form> owned = std::move(it->second);
                map.erase(it);
                owned.reset();
                break;
            }
        }
    }
    map.clear();
}

} // namespace platform
