#pragma once

// The dev build talks to the maker server on the fixed port 8642. Tests that run the real program
// against it hold this lock (a file lock, so test binaries of several checkouts on one machine take
// turns too) and start the server through it.

#include <QLockFile>
#include <QProcess>
#include <QStringList>

namespace testing_support {

class MakerPortLock
{
public:
    MakerPortLock();
    bool locked() const { return m_lock.isLocked(); }

private:
    QLockFile m_lock;
};

// Starts kovara-maker-server in process with the arguments and waits for the line in which it
// names its address. The address ("http://127.0.0.1:PORT"), or empty when it did not start.
QString startMakerServer(QProcess &process, const QStringList &arguments);

// kovara-maker-server on a port (0: a free one), killed on destruction.
class MakerServerProcess
{
public:
    explicit MakerServerProcess(int port = 0, const QStringList &extraArguments = {});
    ~MakerServerProcess();
    // "http://127.0.0.1:PORT", or empty when the server did not start.
    QString url() const { return m_url; }
    int port() const { return m_port; }

private:
    QProcess m_process;
    QString m_url;
    int m_port = 0;
};

} // namespace testing_support
