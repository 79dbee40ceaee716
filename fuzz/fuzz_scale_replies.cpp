// The scale's replies over the serial link: the serial-number read (RdSN) and each exchange of a
// programming run (open session, program block, store byte, read block, close session), with
// whatever bytes the scale sends back. The input gives each reply in turn as a length byte and
// that many bytes; a missing reply is silence, which the virtual clock turns into a time-out.
//
// Invariants: a complete reply holds exactly the bytes its command needs and no more than came;
// the serial number read is "" (no answer) or eight hex digits.

#include "FuzzTarget.h"
#include "core/FlashImage.h"
#include "device/ScaleIdentity.h"
#include "device/ScaleLink.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

namespace {

class VirtualClock final : public platform::Clock
{
public:
    qint64 nowMs() const override { return m_now; }
    void sleep(int maxMs) { m_now += std::max(1, maxMs); }

private:
    qint64 m_now = 0;
};

// A port whose scale answers every frame with the next scripted reply.
class ScriptedPort final : public platform::SerialPort
{
public:
    ScriptedPort(QByteArray script, VirtualClock &clock)
        : m_script(std::move(script))
        , m_clock(clock)
    { }

    qsizetype lastReplySize() const { return m_lastReplySize; }

    void setPortNumber(int number) override { m_number = number; }
    int portNumber() const override { return m_number; }
    std::optional<platform::SerialError> open() override { return std::nullopt; }
    void close() override { }
    bool isOpen() const override { return true; }
    std::optional<platform::SerialError> write(const QByteArray &) override
    {
        m_pending.clear();
        if (m_at < m_script.size()) {
            const int length = quint8(m_script.at(m_at++));
            m_pending = m_script.mid(m_at, length);
            m_at += m_pending.size();
        }
        m_lastReplySize = m_pending.size();
        return std::nullopt;
    }
    int bytesToWrite() const override { return 0; }
    int bytesAvailable() const override { return int(m_pending.size()); }
    void clearInput() override { m_pending.clear(); }
    QByteArray read() override
    {
        const QByteArray bytes = m_pending.left(256);
        m_pending.remove(0, bytes.size());
        return bytes;
    }
    void waitForSent(int maxMs) override { m_clock.sleep(maxMs); }
    void waitForInput(int maxMs, int) override { m_clock.sleep(maxMs); }

private:
    QByteArray m_script;
    VirtualClock &m_clock;
    qsizetype m_at = 0;
    QByteArray m_pending;
    qsizetype m_lastReplySize = 0;
    int m_number = 1;
};

void check(const device::Reply &reply, const ScriptedPort &port, int needed)
{
    const qsizetype got = reply.bytes.size();
    if (reply.complete() && (got != needed || got > port.lastReplySize()))
        fuzzing::violated("a complete reply of the wrong size");
    if (!reply.complete() && reply.status != device::Reply::Status::TimedOut)
        fuzzing::violated("a failure other than a time-out on a working port");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = [] {
        fuzzing::quietLogging();
        return true;
    }();
    (void)quiet;

    VirtualClock clock;
    ScriptedPort port(
        QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)), clock);
    device::ScaleLink link(port, clock);

    const QString serial = device::readSerialNumber(link);
    if (!serial.isEmpty() && serial.size() != 8)
        fuzzing::violated("a serial number that is not eight digits");

    check(link.readBlock(0x0100), port, device::kReadBlockReplySize);
    // The acknowledged commands need one byte: F0h accepts.
    check(link.openSession(device::serialNumberBytes(QStringLiteral("12345678"))), port, 1);
    check(link.programBlock(0x0080, QByteArray(128, '\x5A')), port, 1);
    check(link.storeByte(0x0700, 0x12), port, 1);
    check(link.closeSession(), port, 0);
    return 0;
}
