#include "scale/ScaleLink.h"

#include "platform/SerialPort.h"
#include "platform/Services.h"

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcScaleLink, "kovara.scale.link", QtInfoMsg)

namespace scale {

namespace {

// How long one poll of the send queue may sleep when no event wakes it.
constexpr int kSendPollMs = 2;

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
    case Reply::Status::Busy:
        return "busy";
    case Reply::Status::PortError:
        return "port error";
    }
    return "?";
}

class BusyFlag
{
public:
    explicit BusyFlag(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~BusyFlag() { m_flag = false; }
    BusyFlag(const BusyFlag &) = delete;
    BusyFlag &operator=(const BusyFlag &) = delete;

private:
    bool &m_flag;
};

} // namespace

ScaleLink::ScaleLink(platform::SerialPort &port, bool &scaleCom)
    : m_port(port)
    , m_scaleCom(scaleCom)
{ }

qint64 ScaleLink::replyDeadline(qint64 nowMs)
{
    return std::llround((nowMs + kReplyTimeoutMs) / 1000.0) * 1000;
}

Reply ScaleLink::readBlock(quint16 address, Waiting waiting, bool markPolls)
{
    const QByteArray frame = char(Command::ReadBlock) + addressBytes(address);
    return exchange(Command::ReadBlock, address, frame, kReadBlockReplySize, waiting, markPolls);
}

Reply ScaleLink::openSession(const QByteArray &serialBytes)
{
    QByteArray frame(5, '\0');
    frame[0] = char(Command::OpenSession);
    for (int i = 0; i < 4 && i < serialBytes.size(); ++i)
        frame[1 + i] = serialBytes.at(i);
    return exchange(Command::OpenSession, 0x0700, frame, 1, Waiting::Yield, false);
}

Reply ScaleLink::programBlock(quint16 address, const QByteArray &data)
{
    QByteArray frame(3 + 128, char(0xFF));
    frame[0] = char(Command::ProgramBlock);
    frame.replace(1, 2, addressBytes(address));
    frame.replace(3, qMin(int(data.size()), 128), data.left(128));
    return exchange(Command::ProgramBlock, address, frame, 1, Waiting::Yield, false);
}

Reply ScaleLink::storeByte(quint16 address, quint8 value)
{
    const QByteArray frame = char(Command::StoreByte) + addressBytes(address) + char(value);
    return exchange(Command::StoreByte, address, frame, 1, Waiting::Yield, false);
}

Reply ScaleLink::closeSession()
{
    return exchange(Command::CloseSession,
                    0,
                    QByteArray(1, char(Command::CloseSession)),
                    0,
                    Waiting::Yield,
                    false);
}

Reply ScaleLink::exchange(Command command,
                          quint16 address,
                          const QByteArray &frame,
                          int replySize,
                          Waiting waiting,
                          bool markPolls)
{
    const qint64 started = platform::clock().nowMs();
    Reply reply;
    if (m_busy) {
        reply.status = Reply::Status::Busy;
    } else {
        BusyFlag busy(m_busy);
        reply = transfer(frame, replySize, waiting, markPolls);
    }
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
                    QString::number(platform::clock().nowMs() - started),
                    QString::fromLatin1(statusName(reply.status)),
                    reply.error.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reply.error));
    return reply;
}

Reply ScaleLink::transfer(const QByteArray &frame, int replySize, Waiting waiting, bool markPolls)
{
    platform::Clock &clock = platform::clock();
    const auto flags
        = waiting == Waiting::Yield ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    Reply reply;
    auto fail = [&](Reply::Status status, const QString &error = QString()) {
        m_scaleCom = false;
        reply.status = status;
        reply.error = error;
        return reply;
    };

    try {
        // Stale input goes before the frame: a port that answers the moment the frame is handed
        // over must not see its reply thrown away.
        discardInput();
        m_port.output(frame);

        const qint64 sendDeadline = clock.nowMs() + kSendTimeoutMs;
        while (m_port.outBufferCount() > 0) {
            if (!m_port.isOpen())
                return fail(Reply::Status::PortError, QStringLiteral("the port was closed"));
            if (clock.nowMs() > sendDeadline)
                return fail(Reply::Status::TimedOut, QStringLiteral("the frame was not sent"));
            clock.waitForEvents(kSendPollMs, flags);
        }
        if (replySize == 0) {
            reply.status = Reply::Status::Complete;
            return reply;
        }

        const qint64 deadline = replyDeadline(clock.nowMs());
        while (m_port.inBufferCount() < replySize) {
            if (!m_port.isOpen())
                return fail(Reply::Status::PortError, QStringLiteral("the port was closed"));
            const qint64 now = clock.nowMs();
            if (now > deadline)
                return fail(Reply::Status::TimedOut);
            if (markPolls)
                m_scaleCom = true;
            clock.waitForEvents(int(deadline - now + 1), flags);
        }
        // A scale sends exactly what the command asks for; anything more is dropped.
        reply.bytes = m_port.input().left(replySize);
        reply.status = Reply::Status::Complete;
        return reply;
    } catch (const platform::SerialError &error) {
        return fail(Reply::Status::PortError, error.text());
    }
}

void ScaleLink::settle()
{
    if (m_busy)
        return;
    BusyFlag busy(m_busy);
    platform::Clock &clock = platform::clock();
    try {
        const qint64 limit = clock.nowMs() + kSettleLimitMs;
        discardInput();
        qint64 quietSince = clock.nowMs();
        while (m_port.isOpen()) {
            const qint64 now = clock.nowMs();
            const qint64 quietUntil = std::min(quietSince + kSettleQuietMs, limit);
            if (now >= quietUntil)
                break;
            clock.waitForEvents(int(quietUntil - now), QEventLoop::AllEvents);
            if (m_port.inBufferCount() > 0) {
                discardInput();
                quietSince = clock.nowMs();
            }
        }
    } catch (const platform::SerialError &) {
        // The next exchange reports the port's fault.
    }
}

void ScaleLink::discardInput()
{
    // One read returns at most InputLen bytes; a flood of stale input needs several.
    for (int reads = 0; reads < 64 && m_port.inBufferCount() > 0; ++reads) {
        const QByteArray stale = m_port.input();
        if (stale.isEmpty())
            break;
        qCDebug(lcScaleLink) << "discarded" << stale.size() << "stale bytes";
    }
}

} // namespace scale
