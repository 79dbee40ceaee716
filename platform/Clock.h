#pragma once

// Time for deadlines and rates. nowMs() is monotonic: it never jumps and never wraps at
// midnight. Tests give a virtual clock (tests/support/VirtualClock.h) whose time advances only
// when the virtual serial line waits, so a 10-second time-out costs no real time.

#include <QElapsedTimer>

namespace platform {

class Clock
{
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary fixed point; monotonic.
    virtual qint64 nowMs() const = 0;
};

class SystemClock final : public Clock
{
public:
    SystemClock();
    qint64 nowMs() const override;

private:
    QElapsedTimer m_timer;
};

} // namespace platform
