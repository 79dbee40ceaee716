#pragma once

// The end of the user's desktop session (a log-off, a shutdown) as a window of the wizard meets
// it while work must not be cut short. While held, Windows is asked to wait and lists the program
// with the reason given among those that keep the session from ending; if the user ends it
// anyway, ending() is emitted once, in the event loop's thread, and what is connected to it must
// have done its work when it returns: the system ends the program as soon as it does. When not
// held, the session's end goes its usual way (Qt ends the program). On Linux the desktop ends a
// program with SIGTERM and nothing here takes part.

#include <QObject>
#include <QString>

#include <memory>

namespace platform {

class SessionEnd final : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

    // window: the native handle of the top-level window the work is shown in (QWidget::winId()).
    void hold(quintptr window, const QString &reason);
    void release();

Q_SIGNALS:
    void ending();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
