#include "platform/Timer.h"

namespace platform {

Timer::Timer(QObject *parent)
    : QObject(parent)
    , m_timer(this)
{
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &Timer::Tick);
}

void Timer::setInterval(int ms)
{
    m_interval = ms < 0 ? 0 : ms;
    restart();
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    restart();
}

bool Timer::fire()
{
    if (!isRunning())
        return false;
    Q_EMIT Tick();
    return true;
}

void Timer::restart()
{
    m_timer.stop();
    if (isRunning())
        m_timer.start(m_interval);
}

} // namespace platform
