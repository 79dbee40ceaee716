#pragma once

// Time for deadlines and rates, and the wait that lets the program's events run.
//
// nowMs() is monotonic: it never jumps and never wraps at midnight. waitForEvents() is the one way
// the program's long operations wait: it runs pending events and sleeps until the next event (a
// byte on the serial port, a network reply, a timer, user input) or until maxMs have passed,
// without burning a core. Tests install a virtual clock (tests/support/VirtualClock.h) whose
// time advances only when waited on, so a 10-second time-out costs no real time.

#include <QElapsedTimer>
#include <QEventLoop>

namespace platform {

class Clock
{
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary fixed point; monotonic.
    virtual qint64 nowMs() const = 0;
    // Runs the pending events or, when none are pending, waits at most maxMs for the next ones and
    // runs them. Callers loop on what they wait for: the call may return early.
    virtual void waitForEvents(int maxMs,
                               QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents)
        = 0;
};

class SystemClock final : public Clock
{
public:
    SystemClock();
    qint64 nowMs() const override;
    void waitForEvents(int maxMs,
                       QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents) override;

private:
    QElapsedTimer m_timer;
};

// The one the program uses, and its replacement by a test (nullptr: the real one again; the
// caller keeps ownership). Defined with the others in Services.cpp.
Clock &clock();
void install(Clock *clock);

} // namespace platform
