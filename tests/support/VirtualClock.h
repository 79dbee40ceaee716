#pragma once

// A clock for tests whose time moves only when the virtual serial line waits. waitForEvents runs
// the pending events, then jumps to the next scheduled callback or to the end of the wait,
// whichever is first. Posted events (queued signals) run at every wait; the system's events
// (sockets, timers, windows) at most once a millisecond of real time, as asking the system costs
// far more than a wait (under Wine, a round trip to its server each time).
// Test doubles (a virtual scale, a slow server) schedule their answers on it, so a 10-second
// time-out takes no real time and timing is exact.

#include "platform/Clock.h"

#include <QElapsedTimer>
#include <QEventLoop>

#include <functional>
#include <map>

namespace testing_support {

class VirtualClock final : public platform::Clock
{
public:
    qint64 nowMs() const override { return m_now; }
    void waitForEvents(int maxMs, QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

    // Runs fn when the virtual time reaches atMs (at once in the next wait if it already has).
    void schedule(qint64 atMs, std::function<void()> fn);
    void scheduleIn(qint64 delayMs, std::function<void()> fn) { schedule(m_now + delayMs, fn); }
    // Moves time forward, running what falls due on the way.
    void advance(qint64 ms);
    // Total virtual time spent inside waitForEvents.
    qint64 waitedMs() const { return m_waited; }

private:
    void runDue();
    void runEvents(QEventLoop::ProcessEventsFlags flags);

    qint64 m_now = 1'000'000;
    qint64 m_waited = 0;
    std::multimap<qint64, std::function<void()>> m_scheduled;
    QElapsedTimer m_sinceSystemEvents;
};

} // namespace testing_support
