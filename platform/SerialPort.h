#pragma once

// The serial port to the scale and the machine's list of serial ports.
//
// SerialPort carries the operations the scale link needs of the one port object of the program
// (port number, open/close, line settings, send, bytes still to send, bytes received, clear, read,
// the blocking waits). A port object is used by one thread only: the one that made it.
// SerialSystem lists the ports (each once: its number n of "COMn" and the device the program opens
// for it) and makes the port object. The real ones are on QSerialPort; the tests give an in-process
// double bound to the virtual scale (tests/support).
//
// A port that cannot be opened, or a send that fails, comes back as a SerialError value whose
// text the user reads.

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace platform {

// The name of port number n, "COMn", as every serial system and the user's words spell it.
QString comName(int number);
// The n of "COMn" (any case; n from 1 to 999999, without leading zeros); 0 for any other text.
int comNumber(const QString &name);

// A serial port as the system lists it.
struct SerialPortInfo
{
    int number = 0;
    // The path the program opens for it: "/dev/ttyUSB0", "\\.\COM3".
    QString device;

    QString name() const { return comName(number); }
};

class SerialError
{
public:
    enum class Kind {
        NotFound,         // no such port
        Busy,             // in use by another program
        PermissionDenied, // the user may not open the device
        NotOpen,          // an operation that needs the port open
        Other,
    };
    SerialError(Kind kind, const QString &text)
        : m_kind(kind)
        , m_text(text)
    { }
    // The texts every implementation gives for the common failures, so the user reads the same
    // words whichever port object failed. portName is "COMn"; device the file behind it.
    static SerialError notFound(const QString &portName);
    static SerialError busy(const QString &portName);
    // group: the group that owns the device, empty when unknown.
    static SerialError
    permissionDenied(const QString &portName, const QString &device, const QString &group);
    static SerialError notOpen();

    Kind kind() const { return m_kind; }
    // The text shown to the user.
    const QString &text() const { return m_text; }

private:
    Kind m_kind;
    QString m_text;
};

// The scale's line, the only one the program speaks: 19200 baud, 8 data bits, no parity, one
// stop bit, no flow control.
struct SerialLine
{
    static constexpr int kBaudRate = 19200;
    static constexpr int kDataBits = 8;
    static constexpr bool kRaiseRtsDtr = true; // RTS and DTR raised while open
    static constexpr int kInputLen = 256;      // a read returns at most this many bytes
    static constexpr int kInBufferSize = 4096;
};

class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // The port number n of COMn. Changes only while the port is closed.
    virtual void setPortNumber(int number) = 0;
    virtual int portNumber() const = 0;
    // Opens the port (an open port stays as it is); why not, when it cannot.
    virtual std::optional<SerialError> open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Queues bytes and returns at once; why not, when the port is closed or refuses them.
    virtual std::optional<SerialError> write(const QByteArray &bytes) = 0;
    // Bytes queued and not yet on the wire.
    virtual int bytesToWrite() const = 0;
    // Bytes received and not yet read.
    virtual int bytesAvailable() const = 0;
    // Discards every received byte.
    virtual void clearInput() = 0;
    // Every waiting byte, up to SerialLine::kInputLen, removed from the queue; empty when none.
    virtual QByteArray read() = 0;
    // Block the calling thread, running no events, until some of the queued bytes have left or
    // new bytes have arrived, the port failed, or maxMs have passed. Callers loop on what they
    // wait for: the calls may return early. wanted is how many more bytes the caller waits for:
    // a port may keep waiting until that many have come (the Windows port does, as each wake-up
    // costs more there than the bytes).
    virtual void waitForSent(int maxMs) = 0;
    virtual void waitForInput(int maxMs, int wanted = 1) = 0;
};

class SerialSystem
{
public:
    virtual ~SerialSystem() = default;
    // The serial ports, ascending by number.
    virtual QList<SerialPortInfo> ports() = 0;
    virtual std::unique_ptr<SerialPort> createPort() = 0;
};

} // namespace platform
