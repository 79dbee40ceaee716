#pragma once

// A clock for tests whose time moves only when the virtual serial line waits. waitForEvents jumps
// to the next scheduled callback or to the end of the wait, whichever is first; in the
// application's thread it runs the pending events first. Posted events (queued signals) run at
// every wait there; the system's events (sockets, timers, windows) at most once a millisecond of
// real time, as asking the system costs far more than a wait (under Wine, a round trip to its
// server each time).
//
// The scale's jobs wait on it in the scale programmer's thread. A callback runs in the
// application's thread (a test's action: a click, a quit, a pulled cable), and the waiting thread
// stands still until it has run, so it acts at its virtual time exactly; or, for what the line
// itself delivers, in the thread that waits. A wait whose thread is asked to stop
// (QThread::requestInterruption) gives up a callback the application's thread has not run.
// Test doubles (a virtual scale, a slow server) schedule their answers on it, so a 10-second
// time-out takes no real time and timing is exact.

#include "platform/Clock.h"

#include <QElapsedTimer>
#include <QEventLoop>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>

namespace testing_support {

class VirtualClock final : public platform::Clock
{
public:
    enum class Runs { InApplicationThread, InWaitingThread };

    qint64 nowMs() const override { return m_now; }
    void waitForEvents(int maxMs, QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

    // Runs fn when the virtual time reaches atMs (at once in the next wait if it already has).
    void schedule(qint64 atMs, std::function<void()> fn, Runs where = Runs::InApplicationThread);
    void scheduleIn(qint64 delayMs, std::function<void()> fn)
    {
        schedule(m_now + delayMs, std::move(fn));
    }
    // Total virtual time spent inside waitForEvents.
    qint64 waitedMs() const { return m_waited; }

private:
    struct Callback
    {
        std::function<void()> fn;
        Runs where;
    };
    void runDue();
    void run(Callback callback);
    void runEvents(QEventLoop::ProcessEventsFlags flags);

    std::atomic<qint64> m_now {1'000'000};
    std::atomic<qint64> m_waited {0};
    std::mutex m_mutex;
    std::multimap<qint64, Callback> m_scheduled;
    QElapsedTimer m_sinceSystemEvents;
};

} // namespace testing_support
