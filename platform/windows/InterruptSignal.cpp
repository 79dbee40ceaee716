#include "platform/InterruptSignal.h"

#include <atomic>

#include <windows.h>

namespace platform {

namespace {

// The object the console's handler reports to; one for the process.
std::atomic<InterruptSignal *> g_receiver {nullptr};

BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    // The system calls this on a thread of its own: the signal is queued to the object's thread.
    // The handler goes, so a second Ctrl-C ends the process at once.
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    if (InterruptSignal *receiver = g_receiver.load()) {
        QMetaObject::invokeMethod(
            receiver, [receiver] { Q_EMIT receiver->interrupted(); }, Qt::QueuedConnection);
    }
    return TRUE;
}

} // namespace

InterruptSignal::InterruptSignal(QObject *parent)
    : QObject(parent)
{
    g_receiver = this;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptSignal::~InterruptSignal()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_receiver = nullptr;
}

} // namespace platform
