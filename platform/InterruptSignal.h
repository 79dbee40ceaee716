#pragma once

// A request from the system to stop the command line, as a Qt signal, so the program reacts
// between events, never inside one. On Linux, SIGINT and SIGTERM: the system's handler only
// writes a byte to a socket pair, which a QSocketNotifier reads on the event loop. On Windows,
// the console's Ctrl-C and Ctrl-Break, the close of its window, and the end of the user's
// session (log-off, shutdown): the handler, called on a thread of the system's, queues the
// signal to the object's thread. After the first Ctrl-C the system's default action is back: a
// second one ends the process at once.
//
// Windows ends the process as soon as the handler of a close or a session's end returns (and
// some 5 s later at the latest), so that handler then waits, at most 4 s, while the
// program stops its run and ends through its event loop with its own status. A program that
// loads user32 (every Qt program) gets no log-off or shutdown console events: they come as the
// end-of-session messages to a hidden top-level window that a thread of its own keeps for the
// process.

#include <QObject>

class QSocketNotifier;

namespace platform {

class InterruptSignal final : public QObject
{
    Q_OBJECT
public:
    explicit InterruptSignal(QObject *parent = nullptr);
    // From here on the handlers no longer report to this object.
    ~InterruptSignal() override;

#ifdef Q_OS_WIN
    // The console's handler as the system calls it (CTRL_C_EVENT, CTRL_CLOSE_EVENT, ...), for the
    // tests of the Windows build, where Wine's console sends only Ctrl-C and Ctrl-Break.
    static bool consoleEvent(unsigned long event);
#endif

Q_SIGNALS:
    void interrupted();

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
