#include "VirtualClock.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>

#include <memory>

namespace testing_support {

namespace {

bool inApplicationThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

void VirtualClock::runEvents(QEventLoop::ProcessEventsFlags flags)
{
    if (!inApplicationThread())
        return;
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
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_scheduled.empty() && m_scheduled.begin()->first < target)
            target = std::max(m_now.load(), m_scheduled.begin()->first);
    }
    m_waited += target - m_now;
    m_now = target;
    runDue();
    runEvents(flags);
}

void VirtualClock::schedule(qint64 atMs, std::function<void()> fn, Runs where)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_scheduled.emplace(atMs, Callback {std::move(fn), where});
}

void VirtualClock::runDue()
{
    for (;;) {
        Callback due;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_scheduled.empty() || m_scheduled.begin()->first > m_now)
                return;
            due = std::move(m_scheduled.begin()->second);
            m_scheduled.erase(m_scheduled.begin());
        }
        run(std::move(due));
    }
}

void VirtualClock::run(Callback callback)
{
    if (callback.where == Runs::InWaitingThread || inApplicationThread()) {
        callback.fn();
        return;
    }
    const auto ran = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [fn = std::move(callback.fn), ran] {
            fn();
            ran->release();
        },
        Qt::QueuedConnection);
    while (!ran->tryAcquire(1, 10)) {
        if (QThread::currentThread()->isInterruptionRequested())
            return;
    }
}

} // namespace testing_support
