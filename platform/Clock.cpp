#include "platform/Clock.h"

#include <QCoreApplication>
#include <QTimer>

namespace platform {

SystemClock::SystemClock()
{
    m_timer.start();
}

qint64 SystemClock::nowMs() const
{
    return m_timer.elapsed();
}

void SystemClock::waitForEvents(int maxMs, QEventLoop::ProcessEventsFlags flags)
{
    QCoreApplication::processEvents(flags);
    if (maxMs <= 0)
        return;
    // The dispatcher sleeps until an event source fires; the timer bounds the sleep.
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(maxMs);
    QCoreApplication::processEvents(flags | QEventLoop::WaitForMoreEvents);
}

} // namespace platform
