#pragma once

// Serves a virtual scale on a pseudo-terminal, so a real serial port object can talk to it.
//
// The server holds the master side and keeps one descriptor of the terminal side open itself, so
// a program may open and close the terminal side (its "COMn") as often as it likes. Bytes the
// program writes reach the scale at once (the scale's own timing model paces them); the scale's
// answers are written back at the times it gives for them.

#include "VirtualScale.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>

class QSocketNotifier;

namespace virtual_scale {

class PtyServer final : public QObject
{
public:
    explicit PtyServer(VirtualScale &scale, QObject *parent = nullptr);
    ~PtyServer() override;

    // Opens the pseudo-terminal. False with a message in *error when the system refuses.
    bool start(QString *error);
    // The terminal side's device, /dev/pts/N.
    QString terminalPath() const { return m_terminalPath; }

private:
    void readFromProgram();
    void writeDue();
    double nowMs() const;

    VirtualScale &m_scale;
    int m_master = -1;
    int m_terminal = -1;
    QString m_terminalPath;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::deque<Delivery> m_pending;
    QByteArray m_unwritten;
};

} // namespace virtual_scale
