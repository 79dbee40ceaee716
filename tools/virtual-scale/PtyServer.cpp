#include "PtyServer.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace virtual_scale {

PtyServer::PtyServer(VirtualScale &scale, QObject *parent)
    : QObject(parent)
    , m_scale(scale)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PtyServer::writeDue);
    m_clock.start();
}

PtyServer::~PtyServer()
{
    if (m_terminal >= 0)
        ::close(m_terminal);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyServer::start(QString *error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        *error = QStringLiteral("cannot open a pseudo-terminal: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const char *name = ::ptsname(m_master);
    if (!name) {
        *error = QStringLiteral("cannot name the pseudo-terminal: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_terminalPath = QString::fromLocal8Bit(name);
    m_terminal = ::open(name, O_RDWR | O_NOCTTY);
    if (m_terminal < 0) {
        *error = QStringLiteral("cannot open %1: %2")
                     .arg(m_terminalPath, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Raw both ways: no echo, no line editing, no translation of CR or LF.
    termios settings = {};
    ::tcgetattr(m_terminal, &settings);
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B19200);
    ::cfsetospeed(&settings, B19200);
    ::tcsetattr(m_terminal, TCSANOW, &settings);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyServer::readFromProgram);
    return true;
}

double PtyServer::nowMs() const
{
    return double(m_clock.nsecsElapsed()) / 1e6;
}

void PtyServer::readFromProgram()
{
    char buffer[4096];
    const ssize_t count = ::read(m_master, buffer, sizeof buffer);
    if (count <= 0)
        return;
    for (auto &delivery : m_scale.receive(QByteArray(buffer, int(count)), nowMs()))
        m_pending.push_back(std::move(delivery));
    writeDue();
}

void PtyServer::writeDue()
{
    const double now = nowMs();
    while (!m_pending.empty() && m_pending.front().atMs <= now) {
        m_unwritten += m_pending.front().bytes;
        m_pending.pop_front();
    }
    while (!m_unwritten.isEmpty()) {
        const ssize_t written = ::write(m_master, m_unwritten.constData(), m_unwritten.size());
        if (written <= 0)
            break;
        m_unwritten.remove(0, int(written));
    }
    if (!m_unwritten.isEmpty())
        m_timer.start(1);
    else if (!m_pending.empty())
        m_timer.start(int(std::max(0.0, std::ceil(m_pending.front().atMs - now))));
}

} // namespace virtual_scale
