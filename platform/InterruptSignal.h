#pragma once

// Ctrl-C as a Qt signal, for the command line, so the program reacts between events, never
// inside one. On Linux, SIGINT and SIGTERM: the system's handler only writes a byte to a socket
// pair, which a QSocketNotifier reads on the event loop. On Windows, the console's Ctrl-C and
// Ctrl-Break: the handler, called on a thread of the system's, queues the signal to the object's
// thread. After the first one the system's default action is back: a second Ctrl-C ends the
// process at once.

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
