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
    if (maxMs <= 0) {
        QCoreApplication::processEvents(flags);
        return;
    }
    // One pass only: the dispatcher runs what is pending and returns, or sleeps until an event
    // source fires; the timer bounds the sleep. A pass without sleeping before it could take in
    // the event the caller waits for (the last bytes of a reply) and then sleep to the bound.
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(maxMs);
    QCoreApplication::processEvents(flags | QEventLoop::WaitForMoreEvents);
}

} // namespace platform
