#pragma once

// The window model of the program.
//
// A Form is one of the program's windows. The Form object lives for the whole run and holds the
// window's state variables, so they survive closing and reloading; the widgets are separate: they
// are built when the window loads and destroyed when it closes, so every load starts from the
// window's design-time state. Forms are reached by name through the registry (see FormRegistry
// below and the Forms:: accessor next to each window class).
//
// A control of a form is held in a Control<T>. Using a control from anywhere (operator->) loads
// its window first, exactly like the first use of a control loads a window in the program's design.
//
// The four window operations are Show, Hide, Close and (process-wide) Terminate in
// platform/Process.h. A subclass builds its controls in build() and implements the handlers it
// needs: Form_Load, Form_Activate and Form_Unload(Cancel).

#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <typeindex>
#include <unordered_map>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcForms)

namespace platform {

class Form;

// Mouse pointer values of the program's design.
enum MousePointerShape : int { vbDefault = 0, vbHourglass = 11 };

// Window state values of the program's design.
enum WindowStateValue : int { vbNormal = 0, vbMinimized = 1 };

class ControlBase
{
public:
    virtual ~ControlBase() = default;

protected:
    friend class Form;
    virtual void release() = 0;
};

// A control of a form. Using it loads the form if it is not loaded. Its name becomes the widget's
// objectName, the name that automation and the screen record know it by.
template<class T> class Control final : public ControlBase
{
public:
    Control(Form *form, const char *name);

    T *operator->() const { return get(); }
    T &operator*() const { return *get(); }
    // The control, loading its window first.
    T *get() const;
    // The control if its window is loaded, else nullptr; never loads.
    T *peek() const { return m_widget.data(); }
    // Sets the control while the window is being built.
    void set(T *widget)
    {
        m_widget = widget;
        widget->setObjectName(QLatin1String(m_name));
    }

private:
    void release() override { m_widget.clear(); }

    Form *m_form;
    const char *m_name;
    QPointer<T> m_widget;
};

// The top-level widget of a loaded form. It forwards close and activation to its form.
class FormWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit FormWindow(Form *form);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    Form *m_form;
};

class Form : public QObject
{
    Q_OBJECT
public:
    explicit Form(const QString &name);
    ~Form() override;

    const QString &name() const { return m_name; }

    // Builds the widgets and runs Form_Load, once per load. Does nothing when already loaded.
    void Load();
    // Loads the window if needed and makes it visible, not modal.
    void Show();
    // Makes the window invisible, keeping it loaded.
    void Hide();
    // Runs Form_Unload; unless it cancels, destroys the widgets. Returns false when cancelled.
    bool Close();

    bool isLoaded() const { return m_state != State::Unloaded; }
    bool isVisible() const;
    int loadCount() const { return m_loadCount; }

    // The window's widget; loads the window.
    QWidget *window();
    // The widget if loaded, else nullptr.
    QWidget *windowIfLoaded() const { return m_window.data(); }

    // Window properties. Setters load the window; getters never do (an unloaded window reports
    // its design-time value).
    QString Caption() const;
    void setCaption(const QString &caption);
    int MousePointer() const { return m_window ? m_mousePointer : vbDefault; }
    void setMousePointer(int pointer);
    int WindowState() const;
    void setWindowState(int state);
    bool Enabled() const;
    void setEnabled(bool enabled);
    void SetFocus();
    void centerOnScreen();

protected:
    // Creates the design-time controls on the window (size, caption, labels, buttons, timers).
    virtual void build(QWidget *window) = 0;
    virtual void Form_Load() { }
    virtual void Form_Activate() { }
    // Runs before the window closes, by the user or by Close(). Setting Cancel keeps the window.
    virtual void Form_Unload(bool &Cancel) { (void)Cancel; }
    // Esc pressed in the window (for windows whose cancel button answers Esc).
    virtual void escapePressed() { }

private:
    friend class FormWindow;
    template<class T> friend class Control;

    void registerControl(ControlBase *control) { m_controls.push_back(control); }
    bool userClose();
    void activated();
    void destroyWindow();

    enum class State { Unloaded, Loading, Loaded };

    QString m_name;
    State m_state = State::Unloaded;
    QPointer<FormWindow> m_window;
    std::vector<ControlBase *> m_controls;
    int m_mousePointer = vbDefault;
    int m_loadCount = 0;
    bool m_inUnload = false;
};

template<class T>
Control<T>::Control(Form *form, const char *name)
    : m_form(form)
    , m_name(name)
{
    m_form->registerControl(this);
}

template<class T> T *Control<T>::get() const
{
    m_form->Load();
    return m_widget.data();
}

// The program-wide registry of windows: each window is made on first use and lives for the run.
class FormRegistry
{
public:
    template<class T> static T &get()
    {
        auto &slot = forms()[std::type_index(typeid(T))];
        if (!slot) {
            slot = std::make_unique<T>();
            order().push_back(slot.get());
        }
        return static_cast<T &>(*slot);
    }

    // Every window made so far, in the order they were made.
    static const std::vector<Form *> &all() { return order(); }

    // Destroys every window, the last made first. The program calls it before the application
    // object goes; tests call it between cases for a fresh run.
    static void reset();

private:
    static std::unordered_map<std::type_index, std::unique_ptr<Form>> &forms();
    static std::vector<Form *> &order();
};

} // namespace platform
