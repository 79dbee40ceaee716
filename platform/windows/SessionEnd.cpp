#include "platform/SessionEnd.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QLoggingCategory>

#include <windows.h>

Q_LOGGING_CATEGORY(lcSession, "kovara.session")

namespace platform {

// Sees the end-of-session messages before Qt's own handling, which would end the program at once.
struct SessionEnd::Private final : QAbstractNativeEventFilter
{
    explicit Private(SessionEnd &owner)
        : owner(owner)
    { }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *result) override
    {
        if (!window || type != "windows_generic_MSG")
            return false;
        const MSG &msg = *static_cast<const MSG *>(message);
        switch (msg.message) {
        case WM_QUERYENDSESSION:
            // Each top-level window is asked; the answer is the same for all.
            if (!asked)
                qCInfo(lcSession) << "the session's end is held off:" << reason;
            asked = true;
            *result = FALSE;
            return true;
        case WM_ENDSESSION:
            if (msg.wParam && !ended) {
                ended = true;
                qCInfo(lcSession) << "the session ends all the same";
                Q_EMIT owner.ending();
            }
            *result = 0;
            return true;
        default:
            return false;
        }
    }

    SessionEnd &owner;
    HWND window = nullptr;
    QString reason;
    bool asked = false;
    bool ended = false;
};

SessionEnd::SessionEnd(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(*this))
{
    QCoreApplication::instance()->installNativeEventFilter(d.get());
}

SessionEnd::~SessionEnd()
{
    release();
    QCoreApplication::instance()->removeNativeEventFilter(d.get());
}

void SessionEnd::hold(quintptr window, const QString &reason)
{
    release();
    d->window = reinterpret_cast<HWND>(window);
    d->reason = reason;
    d->asked = false;
    ShutdownBlockReasonCreate(d->window, reinterpret_cast<const wchar_t *>(reason.utf16()));
}

void SessionEnd::release()
{
    if (!d->window)
        return;
    ShutdownBlockReasonDestroy(d->window);
    d->window = nullptr;
}

} // namespace platform
