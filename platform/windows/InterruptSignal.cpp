#include "platform/InterruptSignal.h"

#include <QLoggingCategory>
#include <QMutex>

#include <thread>

#include <windows.h>

Q_LOGGING_CATEGORY(lcInterrupt, "kovara.interrupt")

namespace platform {

namespace {

// How long the handler of a close or a session's end holds the process open; Windows gives it
// about 5 s.
constexpr DWORD kEndingWaitMs = 4000;

// The object the handlers report to, one for the process; the lock keeps a handler from using it
// once its destructor has begun.
QBasicMutex g_lock;
InterruptSignal *g_receiver = nullptr;

// Queues interrupted() to the receiver; false when there is none.
bool report(const char *what)
{
    const QMutexLocker lock(&g_lock);
    if (!g_receiver)
        return false;
    qCInfo(lcInterrupt) << what;
    QMetaObject::invokeMethod(
        g_receiver,
        [receiver = g_receiver] { Q_EMIT receiver->interrupted(); },
        Qt::QueuedConnection);
    return true;
}

// The system ends the process when the caller returns: the program has that long to stop its
// run and end with its own status, which ends this thread too.
void reportAndWaitForTheEnd(const char *what)
{
    if (report(what))
        Sleep(kEndingWaitMs);
}

BOOL WINAPI onConsoleEvent(DWORD event)
{
    return InterruptSignal::consoleEvent(event);
}

LRESULT CALLBACK onSessionMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            reportAndWaitForTheEnd(lParam & ENDSESSION_LOGOFF ? "the user logs off"
                                                              : "the system shuts down");
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// The hidden top-level window that gets the end-of-session messages, on a thread of its own for
// the rest of the process, so that its wait never holds up the event loop it waits for.
void listenForTheSessionsEnd()
{
    [[maybe_unused]] static const bool started = [] {
        std::thread([] {
            const HINSTANCE instance = GetModuleHandleW(nullptr);
            WNDCLASSW windowClass {};
            windowClass.lpfnWndProc = onSessionMessage;
            windowClass.hInstance = instance;
            windowClass.lpszClassName = L"KovaraSessionEnd";
            RegisterClassW(&windowClass);
            if (!CreateWindowExW(0,
                                 windowClass.lpszClassName,
                                 L"kovara-pc-program",
                                 WS_OVERLAPPED,
                                 0,
                                 0,
                                 0,
                                 0,
                                 nullptr,
                                 nullptr,
                                 instance,
                                 nullptr))
                return;
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0)
                DispatchMessageW(&message);
        }).detach();
        return true;
    }();
}

} // namespace

bool InterruptSignal::consoleEvent(unsigned long event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        // The handler goes, so a second Ctrl-C ends the process at once.
        SetConsoleCtrlHandler(onConsoleEvent, FALSE);
        report("Ctrl-C");
        return true;
    case CTRL_CLOSE_EVENT:
        reportAndWaitForTheEnd("the console window is closed");
        return true;
    case CTRL_LOGOFF_EVENT:
        reportAndWaitForTheEnd("the user logs off");
        return true;
    case CTRL_SHUTDOWN_EVENT:
        reportAndWaitForTheEnd("the system shuts down");
        return true;
    default:
        return false;
    }
}

InterruptSignal::InterruptSignal(QObject *parent)
    : QObject(parent)
{
    {
        const QMutexLocker lock(&g_lock);
        g_receiver = this;
    }
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    listenForTheSessionsEnd();
}

InterruptSignal::~InterruptSignal()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    const QMutexLocker lock(&g_lock);
    g_receiver = nullptr;
}

} // namespace platform
