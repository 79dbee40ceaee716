#include "platform/Clock.h"

namespace platform {

SystemClock::SystemClock()
{
    m_timer.start();
}

qint64 SystemClock::nowMs() const
{
    return m_timer.elapsed();
}

} // namespace platform
