#include "VirtualClock.h"

#include <QCoreApplication>

namespace testing_support {

void VirtualClock::runEvents(QEventLoop::ProcessEventsFlags flags)
{
    if (!m_sinceSystemEvents.isValid() || m_sinceSystemEvents.elapsed() >= 1) {
        QCoreApplication::processEvents(flags);
        m_sinceSystemEvents.start();
    } else {
        QCoreApplication::sendPostedEvents();
    }
}

void VirtualClock::waitForEvents(int maxMs, QEventLoop::ProcessEventsFlags flags)
{
    runEvents(flags);
    runDue();
    if (maxMs <= 0)
        return;
    qint64 target = m_now + maxMs;
    if (!m_scheduled.empty() && m_scheduled.begin()->first < target)
        target = std::max(m_now, m_scheduled.begin()->first);
    m_waited += target - m_now;
    m_now = target;
    runDue();
    runEvents(flags);
}

void VirtualClock::schedule(qint64 atMs, std::function<void()> fn)
{
    m_scheduled.emplace(atMs, std::move(fn));
}

void VirtualClock::advance(qint64 ms)
{
    const qint64 end = m_now + ms;
    while (!m_scheduled.empty() && m_scheduled.begin()->first <= end) {
        m_now = std::max(m_now, m_scheduled.begin()->first);
        runDue();
    }
    m_now = end;
}

void VirtualClock::runDue()
{
    while (!m_scheduled.empty() && m_scheduled.begin()->first <= m_now) {
        auto fn = std::move(m_scheduled.begin()->second);
        m_scheduled.erase(m_scheduled.begin());
        fn();
    }
}

} // namespace testing_support
