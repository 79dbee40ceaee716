#include "device/ScaleLink.h"

#include "platform/Clock.h"
#include "platform/SerialPort.h"

#include <QThread>

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcScaleLink, "kovara.scale.link", QtInfoMsg)

namespace device {

namespace {

QByteArray addressBytes(quint16 address)
{
    QByteArray bytes(2, '\0');
    bytes[0] = char(address / 256);
    bytes[1] = char(address % 256);
    return bytes;
}

const char *statusName(Reply::Status status)
{
    switch (status) {
    case Reply::Status::Complete:
        return "complete";
    case Reply::Status::TimedOut:
        return "timed out";
    case Reply::Status::PortError:
        return "port error";
    }
    return "?";
}

} // namespace

ScaleLink::ScaleLink(platform::SerialPort &port, const platform::Clock &clock)
    : m_port(port)
    , m_clock(clock)
{ }

qint64 ScaleLink::replyDeadline(qint64 nowMs)
{
    return std::llround((nowMs + kReplyTimeoutMs) / 1000.0) * 1000;
}

Reply ScaleLink::readBlock(quint16 address)
{
    const QByteArray frame = char(Command::ReadBlock) + addressBytes(address);
    return exchange(Command::ReadBlock, address, frame, kReadBlockReplySize);
}

Reply ScaleLink::openSession(const QByteArray &serialBytes)
{
    QByteArray frame(5, '\0');
    frame[0] = char(Command::OpenSession);
    for (int i = 0; i < 4 && i < serialBytes.size(); ++i)
        frame[1 + i] = serialBytes.at(i);
    return exchange(Command::OpenSession, 0x0700, frame, 1);
}

Reply ScaleLink::programBlock(quint16 address, const QByteArray &data)
{
    QByteArray frame(3 + 128, char(0xFF));
    frame[0] = char(Command::ProgramBlock);
    frame.replace(1, 2, addressBytes(address));
    frame.replace(3, qMin(int(data.size()), 128), data.left(128));
    return exchange(Command::ProgramBlock, address, frame, 1);
}

Reply ScaleLink::storeByte(quint16 address, quint8 value)
{
    const QByteArray frame = char(Command::StoreByte) + addressBytes(address) + char(value);
    return exchange(Command::StoreByte, address, frame, 1);
}

Reply ScaleLink::closeSession()
{
    return exchange(Command::CloseSession, 0, QByteArray(1, char(Command::CloseSession)), 0);
}

Reply ScaleLink::exchange(Command command, quint16 address, const QByteArray &frame, int replySize)
{
    const qint64 started = m_clock.nowMs();
    const Reply reply = transfer(frame, replySize);
    qCDebug(lcScaleLink).noquote()
        << QStringLiteral("%1 %2 out %3 in %4 %5 ms: %6%7")
               .arg(QString::number(quint8(command), 16).toUpper(),
                    QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper(),
                    QString::fromLatin1(frame.toHex(' ').toUpper()),
                    reply.bytes.isEmpty()
                        ? QStringLiteral("nothing")
                        : QStringLiteral("%1 (%2 bytes)")
                              .arg(QString::fromLatin1(reply.bytes.toHex(' ').toUpper()))
                              .arg(reply.bytes.size()),
                    QString::number(m_clock.nowMs() - started),
                    QString::fromLatin1(statusName(reply.status)),
                    reply.error.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reply.error));
    return reply;
}

Reply ScaleLink::transfer(const QByteArray &frame, int replySize)
{
    Reply reply;
    auto fail = [&](Reply::Status status, const QString &error = QString()) {
        reply.status = status;
        reply.error = error;
        return reply;
    };

    // Stale input goes before the frame: a port that answers the moment the frame is handed over
    // must not see its reply thrown away.
    discardInput();
    if (const auto error = m_port.write(frame))
        return fail(Reply::Status::PortError, error->text());

    const qint64 sendDeadline = m_clock.nowMs() + kSendTimeoutMs;
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.isOpen())
            return fail(Reply::Status::PortError, QStringLiteral("the port was closed"));
        const qint64 now = m_clock.nowMs();
        if (now > sendDeadline || abandoned())
            return fail(Reply::Status::TimedOut, QStringLiteral("the frame was not sent"));
        m_port.waitForSent(waitSlice(sendDeadline - now + 1));
    }
    if (replySize == 0) {
        reply.status = Reply::Status::Complete;
        return reply;
    }

    const qint64 deadline = replyDeadline(m_clock.nowMs());
    while (m_port.bytesAvailable() < replySize) {
        if (!m_port.isOpen())
            return fail(Reply::Status::PortError, QStringLiteral("the port was closed"));
        const qint64 now = m_clock.nowMs();
        if (now > deadline)
            return fail(Reply::Status::TimedOut);
        if (abandoned())
            return fail(Reply::Status::TimedOut, QStringLiteral("the program is ending"));
        m_port.waitForInput(waitSlice(deadline - now + 1), replySize - m_port.bytesAvailable());
    }
    // A scale sends exactly what the command asks for; anything more is dropped.
    reply.bytes = m_port.read().left(replySize);
    reply.status = Reply::Status::Complete;
    return reply;
}

void ScaleLink::settle()
{
    const qint64 limit = m_clock.nowMs() + kSettleLimitMs;
    discardInput();
    qint64 quietSince = m_clock.nowMs();
    while (m_port.isOpen()) {
        const qint64 now = m_clock.nowMs();
        const qint64 quietUntil = std::min(quietSince + kSettleQuietMs, limit);
        if (now >= quietUntil || abandoned())
            break;
        m_port.waitForInput(waitSlice(quietUntil - now));
        if (m_port.bytesAvailable() > 0) {
            discardInput();
            quietSince = m_clock.nowMs();
        }
    }
}

bool ScaleLink::abandoned() const
{
    return m_abandonable && QThread::currentThread()->isInterruptionRequested();
}

int ScaleLink::waitSlice(qint64 ms) const
{
    return int(m_abandonable ? std::min<qint64>(ms, kAbandonCheckMs) : ms);
}

void ScaleLink::discardInput()
{
    // One read returns at most inputLen bytes; a flood of stale input needs several.
    for (int reads = 0; reads < 64 && m_port.bytesAvailable() > 0; ++reads) {
        const QByteArray stale = m_port.read();
        if (stale.isEmpty())
            break;
        qCDebug(lcScaleLink) << "discarded" << stale.size() << "stale bytes";
    }
}

} // namespace device
