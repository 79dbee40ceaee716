#pragma once

// The scale's boot firmware as a state machine, for tests, the demo and the benchmarks when no
// scale is connected.
//
// The scale has 64 KiB of flash (erased FFh) with its serial number as packed BCD at 0700h-0703h.
// It reads frames off the line by their command byte and length and answers them:
//
//   B4h hi lo          read block   -> B4h hi lo + 128 flash bytes from the address (131 bytes)
//   1Eh s0 s1 s2 s3    open session -> F0h when s0..s3 equal flash 0700h-0703h, else 0Fh
//   C3h hi lo + 128    program block-> F0h, 0Fh outside a session or off a 128-byte boundary
//   5Ah hi lo byte     store byte   -> F0h (works without a session; it is how the serial
//                                     number is changed)
//   4Bh                close session-> no reply
//
// Outside a session the firmware guards the application: programming is refused, and a read
// answers FFh for every byte at or above 0800h. The first 2 KiB (the identity area with the
// serial number) read as they are, so the serial number can always be read. Inside a session every
// block reads as stored. A byte that cannot start a frame is ignored; a partial frame is dropped
// when the line stays quiet longer than frameGapMs.
//
// Time comes from the caller: receive() takes the moment the host handed bytes to the line and
// returns each reply with the moment it reaches the host. With pacing on (19200 baud 8N1, about
// 0.52 ms a byte) a frame counts only once its last byte would have arrived, and replies leave at
// the line's pace; flashWriteMs delays the answer to every program block. Faults (Fault) make the
// scale deaf, refuse, answer late, corrupt, cut short or lengthen answers, or store wrong bits.

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>
#include <vector>

namespace virtual_scale {

constexpr quint8 kReadBlock = 0xB4;
constexpr quint8 kOpenSession = 0x1E;
constexpr quint8 kProgramBlock = 0xC3;
constexpr quint8 kStoreByte = 0x5A;
constexpr quint8 kCloseSession = 0x4B;
constexpr quint8 kAccepted = 0xF0;
constexpr quint8 kRefused = 0x0F;

constexpr int kFlashSize = 0x10000;
constexpr int kBlockSize = 128;
constexpr int kSerialAddress = 0x0700;
constexpr int kOpenReadLimit = 0x0800;
constexpr int kReadReplyLength = 3 + kBlockSize;
// One byte at 19200 baud with a start bit, 8 data bits and a stop bit.
constexpr double kByteMs = 10.0 * 1000.0 / 19200.0;
// Fault::times for a fault that never wears off.
constexpr int kAlways = -1;

// Length of the frame that starts with this byte, 0 when no frame does.
int frameLength(quint8 command);
QString commandName(quint8 command);

struct Fault
{
    enum class Action {
        Ignore,     // the frame goes unheard: no answer, no effect (silence, dropped read-back)
        Refuse,     // answered with 0Fh and without effect (not for read or close)
        Late,       // the answer leaves delayMs later than it would
        Corrupt,    // the answer's byte `index` is XORed with `mask` (read data starts at index 3)
        FlipStored, // program/store: the flash keeps the byte at `index` of the block XOR `mask`
        Append,     // `extra` follows the answer
        Truncate,   // only the answer's first `index` bytes leave (0: nothing does)
    };
    Action action = Action::Ignore;
    int command = -1; // the command byte it applies to, -1 for every command
    int address = -1; // the frame's address it applies to, -1 for any
    int times = 1;    // how many frames it applies to; kAlways for every one
    int after = 0;    // matching frames it lets pass before it acts
    double delayMs = 0;
    int index = 0;
    quint8 mask = 0x01;
    QByteArray extra;
};

struct Timing
{
    bool paced = false;
    double byteMs = kByteMs;
    double flashWriteMs = 0; // before the answer to a program block
    double frameGapMs = 200; // a quieter line drops a partial frame
};

// Bytes that reach the host at atMs (one byte per delivery when paced).
struct Delivery
{
    double atMs = 0;
    QByteArray bytes;
};

struct FrameRecord
{
    double atMs = 0; // when the frame's last byte reached the scale
    quint8 command = 0;
    int address = -1;
    QByteArray frame;
    QByteArray reply;
    QString note; // the faults that acted on it, or why it had no effect
};

class VirtualScale
{
public:
    VirtualScale();

    const QByteArray &flash() const { return m_flash; }
    quint8 at(int address) const { return quint8(m_flash.at(address & 0xFFFF)); }
    // Flash from a binary image at 0000h; the rest stays erased.
    void loadImage(const QByteArray &image);
    void setByte(int address, quint8 value) { m_flash[address & 0xFFFF] = char(value); }
    // Eight hex digits ("12345678"; letters give a number that is not BCD). False if malformed.
    bool setSerialNumber(const QString &digits);
    // The bytes at 0700h-0703h as eight upper-case hex digits.
    QString serialNumber() const;
    bool sessionOpen() const { return m_session; }

    void setTiming(const Timing &timing) { m_timing = timing; }
    const Timing &timing() const { return m_timing; }
    void addFault(const Fault &fault) { m_faults.push_back(fault); }
    void clearFaults() { m_faults.clear(); }
    // Deaf to every frame until turned off.
    void setSilent(bool silent) { m_silent = silent; }

    // The host handed these bytes to the line at nowMs; returns the answers in the order and at
    // the times they reach the host.
    std::vector<Delivery> receive(const QByteArray &bytes, double nowMs);
    // Bytes of the host still on their way to the scale at nowMs (always 0 without pacing).
    int bytesInFlight(double nowMs) const;
    // Forgets a partial frame and the line's timing (the host closed the port).
    void resetLine();

    const std::vector<FrameRecord> &frames() const { return m_frames; }
    void clearFrames() { m_frames.clear(); }
    // Called for every complete frame, after the scale acted on it.
    void setFrameObserver(std::function<void(const FrameRecord &)> observer)
    {
        m_observer = std::move(observer);
    }

private:
    void execute(double atMs, std::vector<Delivery> &out);
    void schedule(const QByteArray &reply, double readyAtMs, std::vector<Delivery> &out);

    QByteArray m_flash;
    bool m_session = false;
    bool m_silent = false;
    Timing m_timing;
    std::vector<Fault> m_faults;
    QByteArray m_partial;
    int m_expected = 0;
    double m_lastByteAt = 0;
    double m_toScaleFreeAt = 0;
    double m_toHostFreeAt = 0;
    mutable std::deque<double> m_arrivals;
    std::vector<FrameRecord> m_frames;
    std::function<void(const FrameRecord &)> m_observer;
};

// One line for a log: "B4h 0700 -> 131 bytes (late 500 ms)".
QString describe(const FrameRecord &record);

} // namespace virtual_scale
