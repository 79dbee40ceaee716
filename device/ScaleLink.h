#pragma once

// The request/reply exchange with the scale's boot firmware over the one serial port.
//
// Frames carry no start byte, length or checksum: a reply is known only by how many bytes have
// arrived and, for acknowledged commands, by its first byte (F0h). Each exchange drops the input
// left over from before, sends the frame, waits for it to leave, then waits at most about ten
// seconds for the reply. The waits block the calling thread (the scale's worker thread, see
// ScaleProgrammer) and run no events; deadlines are on the clock given.
//
// Every exchange is written to the logging category kovara.scale.link at debug level
// (QT_LOGGING_RULES=kovara.scale.link.debug=true).

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcScaleLink)

namespace platform {
class Clock;
class SerialPort;
} // namespace platform

namespace device {

enum class Command : quint8 {
    ReadBlock = 0xB4,
    OpenSession = 0x1E,
    ProgramBlock = 0xC3,
    StoreByte = 0x5A,
    CloseSession = 0x4B,
};

inline constexpr quint8 kAcknowledge = 0xF0;
inline constexpr int kReadBlockReplySize = 131; // 3 header bytes and 128 data bytes

struct Reply
{
    enum class Status {
        Complete,  // the bytes the command needs have arrived
        TimedOut,  // the deadline passed first
        PortError, // the port is closed or failed
    };
    Status status = Status::TimedOut;
    // The reply's bytes, cut to what the command needs.
    QByteArray bytes;
    // PortError: the platform's text.
    QString error;

    bool complete() const { return status == Status::Complete; }
    // Complete and its first byte is the acknowledge byte.
    bool accepted() const
    {
        return complete() && !bytes.isEmpty() && quint8(bytes.at(0)) == kAcknowledge;
    }
};

class ScaleLink
{
public:
    static constexpr int kReplyTimeoutMs = 10'000;
    // The send queue of a working port empties in well under a second (131 bytes take 68 ms).
    static constexpr int kSendTimeoutMs = 10'000;

    ScaleLink(platform::SerialPort &port, const platform::Clock &clock);

    platform::SerialPort &port() const { return m_port; }
    const platform::Clock &clock() const { return m_clock; }

    // B4h: the 131 bytes from the block at address (header of 3, then 128 data bytes).
    Reply readBlock(quint16 address);
    // 1Eh: opens a session with the 4 serial-number bytes; judged by accepted().
    Reply openSession(const QByteArray &serialBytes);
    // C3h: programs the 128 bytes at address; judged by accepted().
    Reply programBlock(quint16 address, const QByteArray &data);
    // 5Ah: writes one byte; judged by accepted().
    Reply storeByte(quint16 address, quint8 value);
    // 4Bh: ends the session; no reply is awaited.
    Reply closeSession();

    // How long the line must stay quiet before settle() returns, and the longest settle().
    static constexpr int kSettleQuietMs = 100;
    static constexpr int kSettleLimitMs = 2'000;

    // Drops what the line still brings until no byte has come for kSettleQuietMs (at most
    // kSettleLimitMs). For the moment after a failed exchange: the rest of an overlong answer, or
    // an answer that came after its wait, would otherwise arrive during the next exchange and be
    // taken for the start of its reply, and every later reply would be shifted the same way.
    // Does nothing on a closed port.
    void settle();

    // The deadline of a reply wait that starts at nowMs: ten seconds on, rounded to the nearest
    // whole second, so the wait lasts between 9.5 and 10.5 seconds.
    static qint64 replyDeadline(qint64 nowMs);

    // For the program's end, which must not wait out a silent port: once the link's thread is
    // asked to stop (QThread::requestInterruption), a wait on the port ends within
    // kAbandonCheckMs as if its deadline had passed. Off for a link in the application's thread.
    void setAbandonable(bool on) { m_abandonable = on; }
    static constexpr int kAbandonCheckMs = 100;

private:
    bool abandoned() const;
    // A wait of ms, cut to kAbandonCheckMs when the link may be abandoned.
    int waitSlice(qint64 ms) const;
    Reply exchange(Command command, quint16 address, const QByteArray &frame, int replySize);
    Reply transfer(const QByteArray &frame, int replySize);
    void discardInput();

    platform::SerialPort &m_port;
    const platform::Clock &m_clock;
    bool m_abandonable = false;
};

} // namespace device
