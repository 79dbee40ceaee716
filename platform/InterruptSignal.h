#pragma once

// Ctrl-C (SIGINT) and SIGTERM as a Qt signal, for the command line. The system's handler only
// writes a byte to a socket pair, which a QSocketNotifier reads on the event loop, so the program
// reacts between events, never inside one. After the first signal the system's default action
// is back: a second Ctrl-C ends the process at once.

#include <QObject>

class QSocketNotifier;

namespace platform {

class InterruptSignal final : public QObject
{
    Q_OBJECT
public:
    explicit InterruptSignal(QObject *parent = nullptr);
    ~InterruptSignal() override;

Q_SIGNALS:
    void interrupted();

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
