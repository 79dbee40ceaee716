#pragma once

// The scale update window reached by its controls' names: either as the flow shows it (the
// automatic run starts when it becomes the active window), or built on its own with its
// ScaleUpdate and never shown, for the service tools.

#include "TestPlatform.h"

#include "app/ScaleUpdate.h"
#include "app/UpdateFlow.h"
#include "ui/ScaleUpdateWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>

#include <memory>

namespace testing_support {

class ScaleScreen
{
public:
    explicit ScaleScreen(UpdateFlow &flow)
        : m_flow(&flow)
    { }
    ScaleScreen(device::ScaleProgrammer &scale, Prompts &prompts, const QString &updateFile)
        : m_own(
            std::make_unique<ScaleUpdateWindow>(QStringLiteral("Kovara PC Program Version 5.0")))
        , m_update(std::make_unique<ScaleUpdate>(scale, *m_own, prompts, updateFile))
    { }

    // The flow's window: shown (opening the scale's port), then made the active window.
    void show() { m_flow->goTo(UpdateFlow::Screen::ScaleUpdate); }
    void activate() { testing_support::activate(window()); }

    QWidget *window() const
    {
        return m_own ? m_own.get() : testing_support::topLevel(QStringLiteral("frmDisplay"));
    }
    bool isVisible() const
    {
        const QWidget *w = window();
        return w && w->isVisible();
    }
    void click(const char *name) const { child<QAbstractButton>(name)->click(); }
    void trigger(const char *name) const { child<QAction>(name)->trigger(); }
    bool busy() const { return window()->cursor().shape() == Qt::WaitCursor; }
    bool progressShown() const
    {
        return child<QProgressBar>("ProgressBar1")->isVisible()
            || child<QLabel>("lblProgress")->isVisible();
    }
    QString label(const char *name) const { return child<QLabel>(name)->text(); }
    // The page view's text, lines ended by LF.
    QString page() const { return child<QPlainTextEdit>("txtPage")->toPlainText(); }
    bool enabled(const char *name) const { return child<QWidget>(name)->isEnabled(); }
    bool checked(const char *name) const { return child<QAbstractButton>(name)->isChecked(); }
    QString menuText(const char *name) const { return child<QAction>(name)->text(); }
    // The image of the window built on its own.
    const core::FlashImage &image() const { return m_update->image(); }

    template<class T> T *child(const char *name) const
    {
        return window()->findChild<T *>(QString::fromLatin1(name));
    }

private:
    UpdateFlow *m_flow = nullptr;
    std::unique_ptr<ScaleUpdateWindow> m_own;
    std::unique_ptr<ScaleUpdate> m_update;
};

} // namespace testing_support
