#pragma once

// A timer control with the program's semantics: an interval (0 means it never ticks) and an enabled
// flag that is true from design time. It ticks while it is enabled and its interval is not 0.
// Setting the interval or enabling it again starts a fresh countdown.

#include <QObject>
#include <QTimer>

namespace platform {

class Timer final : public QObject
{
    Q_OBJECT
public:
    explicit Timer(QObject *parent);

    int Interval() const { return m_interval; }
    void setInterval(int ms);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // True while the timer would tick.
    bool isRunning() const { return m_enabled && m_interval > 0; }

    // Runs one tick now, as the timer would. Returns false (and does nothing) when it is not
    // running. Tests use it to step a window's timer without waiting.
    bool fire();

Q_SIGNALS:
    void Tick();

private:
    void restart();

    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = true;
};

} // namespace platform
