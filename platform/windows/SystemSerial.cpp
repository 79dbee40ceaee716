#include "platform/SystemSerial.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QThread>

#include <algorithm>
#include <vector>

#include <windows.h>

#include <timeapi.h>

Q_LOGGING_CATEGORY(lcSerial, "kovara.serial", QtInfoMsg)

namespace platform {

namespace {

// The longest a read waits before the caller looks at its deadline again.
constexpr int kReadSliceMs = 1000;
// The shortest sleep of a wait for the driver's send queue.
constexpr int kDrainPollMs = 1;
// A sleep through the line time of awaited bytes ends this much before they can all have come.
constexpr int kLineSleepMarginMs = 2;
// A write hands the frame to the driver; it may take as long as the bytes take on the wire and
// this much more before the port counts as failed.
constexpr DWORD kWriteSlackMs = 2000;

// The system's words for an error number, without the line break it ends with.
QString systemText(DWORD error)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr,
                                        error,
                                        0,
                                        reinterpret_cast<wchar_t *>(&buffer),
                                        0,
                                        nullptr);
    QString text = length ? QString::fromWCharArray(buffer, int(length)).trimmed()
                          : QStringLiteral("error %1").arg(error);
    LocalFree(buffer);
    return text;
}

class WindowsPort final : public SerialPort
{
public:
    ~WindowsPort() override { close(); }

    void setPortNumber(int number) override
    {
        if (!isOpen())
            m_number = number;
    }
    int portNumber() const override { return m_number; }

    std::optional<SerialError> open() override
    {
        if (isOpen())
            return std::nullopt;
        const QString name = comName(m_number);
        const QString device = deviceOfComNumber(m_number);
        m_handle = CreateFileW(reinterpret_cast<const wchar_t *>(device.utf16()),
                               GENERIC_READ | GENERIC_WRITE,
                               0,
                               nullptr,
                               OPEN_EXISTING,
                               0,
                               nullptr);
        if (m_handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            qCWarning(lcSerial).noquote()
                << name << device << "could not be opened:" << systemText(error);
            switch (error) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
                return SerialError::notFound(name);
            case ERROR_ACCESS_DENIED:
            case ERROR_SHARING_VIOLATION:
                // A COM port is opened by one program at a time; Windows says "access denied"
                // to the second.
                return SerialError::busy(name);
            default:
                return SerialError(
                    SerialError::Kind::Other,
                    QStringLiteral("%1 could not be opened: %2").arg(name, systemText(error)));
            }
        }
        if (const std::optional<QString> failure = setUp()) {
            qCWarning(lcSerial).noquote() << name << "could not be set up:" << *failure;
            CloseHandle(m_handle);
            m_handle = INVALID_HANDLE_VALUE;
            return SerialError(SerialError::Kind::Other,
                               QStringLiteral("%1 could not be opened: %2").arg(name, *failure));
        }
        m_input.clear();
        // Sleeps as short as a millisecond while the port is open (Windows' default tick is
        // 15.6 ms, which every frame would pay while its bytes leave).
        timeBeginPeriod(1);
        qCInfo(lcSerial).noquote() << name << "open at" << SerialLine::kBaudRate << "8N1";
        return std::nullopt;
    }

    void close() override
    {
        if (!isOpen())
            return;
        lose();
        qCInfo(lcSerial).noquote() << comName(m_number) << "closed";
    }

    bool isOpen() const override { return m_handle != INVALID_HANDLE_VALUE; }

    std::optional<SerialError> write(const QByteArray &bytes) override
    {
        if (!isOpen())
            return SerialError::notOpen();
        // The frame is handed to the driver, which sends it at the line's pace; the write
        // returns once the driver has it (or, with some drivers, once it has left).
        DWORD written = 0;
        if (!WriteFile(m_handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr)
            || written != DWORD(bytes.size())) {
            const QString text = QStringLiteral("Sending to %1 failed: %2")
                                     .arg(comName(m_number), systemText(GetLastError()));
            qCWarning(lcSerial).noquote() << text;
            lose();
            return SerialError(SerialError::Kind::Other, text);
        }
        return std::nullopt;
    }

    int bytesToWrite() const override
    {
        COMSTAT status {};
        return isOpen() && queues(&status) ? int(status.cbOutQue) : 0;
    }

    int bytesAvailable() const override
    {
        COMSTAT status {};
        if (!isOpen() || !queues(&status))
            return int(m_input.size());
        return int(m_input.size()) + int(status.cbInQue);
    }

    void clearInput() override
    {
        if (!isOpen())
            return;
        PurgeComm(m_handle, PURGE_RXCLEAR | PURGE_RXABORT);
        m_input.clear();
    }

    QByteArray read() override
    {
        if (!isOpen())
            return {};
        const int limit = SerialLine::kInputLen;
        // What a wait brought is handed out first; the driver is asked only when it brought none.
        if (m_input.isEmpty())
            receive(0, limit);
        const QByteArray bytes = m_input.left(limit);
        m_input.remove(0, bytes.size());
        return bytes;
    }

    void waitForSent(int maxMs) override
    {
        // The driver gives no wake-up when its queue drains: sleep for the line time of what is
        // queued (10 bits a byte), then look again.
        const int queued = bytesToWrite();
        if (queued > 0) {
            QThread::msleep(
                std::clamp(lineMs(queued), kDrainPollMs, std::max(kDrainPollMs, maxMs)));
        }
    }

    void waitForInput(int maxMs, int wanted) override
    {
        if (!isOpen())
            return;
        // New bytes are those the driver holds: taken at once. Else the bytes wanted are waited
        // for in one read, which ends when they have all come or at the time-out; the time-out is
        // a slice of the wait, the same from call to call, so that it is set once.
        const int limit = SerialLine::kInputLen;
        int held = heldBytes();
        if (held != 0) {
            if (held > 0)
                receive(0, std::min(held, limit));
            return;
        }
        // The bytes wanted need their time on the wire before they can all be there; a read
        // pending meanwhile is woken for each few bytes as they come (Wine does so), so the
        // thread sleeps through that time first, ending it before the bytes can have come. A
        // device faster than the line (a virtual scale on a pseudo-terminal) has sent them all
        // within the first millisecond.
        if (lineMs(wanted) > kLineSleepMarginMs && maxMs > 1) {
            QThread::msleep(1);
            held = heldBytes();
            if (held < 0)
                return;
            if (held >= wanted) {
                receive(0, std::min(held, limit));
                return;
            }
            const int sleepMs = std::min(lineMs(wanted - held), maxMs - 1) - kLineSleepMarginMs;
            if (sleepMs > 0)
                QThread::msleep(unsigned(sleepMs));
        }
        receive(std::clamp(maxMs, 1, kReadSliceMs), std::clamp(wanted, 1, limit));
    }

private:
    // How long so many bytes take on the line (10 bits a byte).
    static int lineMs(int bytes) { return bytes * 10 * 1000 / SerialLine::kBaudRate; }

    // The line's settings and the driver's queues; an error's words when the port refuses them.
    std::optional<QString> setUp()
    {
        if (!SetupComm(
                m_handle, DWORD(SerialLine::kInBufferSize), DWORD(SerialLine::kInBufferSize)))
            qCDebug(lcSerial) << "the driver keeps its own queue sizes";
        DCB dcb {};
        dcb.DCBlength = sizeof(dcb);
        if (!GetCommState(m_handle, &dcb))
            return systemText(GetLastError());
        dcb.BaudRate = DWORD(SerialLine::kBaudRate);
        dcb.ByteSize = BYTE(SerialLine::kDataBits);
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        // No flow control of any kind; the modem lines are raised as the scale expects.
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fNull = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fAbortOnError = FALSE;
        dcb.fDtrControl = SerialLine::kRaiseRtsDtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
        dcb.fRtsControl = SerialLine::kRaiseRtsDtr ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
        if (!SetCommState(m_handle, &dcb))
            return systemText(GetLastError());
        m_readWaitMs = -1;
        if (!setReadWait(0))
            return systemText(GetLastError());
        PurgeComm(m_handle, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
        return std::nullopt;
    }

    // Read time-outs: with 0, a read returns at once with what the driver holds; with a wait, a
    // read returns when its count has come, or with what came after waitMs. (The documented
    // "return on the first byte" setting of MAXDWORD intervals is not honoured by Wine, which then
    // waits for the whole count: a read asks for the bytes the caller wants instead.)
    bool setReadWait(int waitMs)
    {
        if (waitMs == m_readWaitMs)
            return true;
        COMMTIMEOUTS timeouts {};
        timeouts.ReadIntervalTimeout = waitMs > 0 ? 0 : MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = waitMs > 0 ? DWORD(waitMs) : 0;
        // About 0.6 ms a byte at 19200 baud, twice over, and slack.
        timeouts.WriteTotalTimeoutMultiplier
            = DWORD(std::max(1, 2 * 11000 / SerialLine::kBaudRate));
        timeouts.WriteTotalTimeoutConstant = kWriteSlackMs;
        if (!SetCommTimeouts(m_handle, &timeouts))
            return false;
        m_readWaitMs = waitMs;
        return true;
    }

    // Reads what the driver has (up to most bytes) into m_input; with waitMs, waits at most that
    // long for most bytes to come.
    void receive(int waitMs, int most)
    {
        if (!setReadWait(waitMs)) {
            lose();
            return;
        }
        std::vector<char> buffer(std::size_t(std::max(1, most)));
        DWORD got = 0;
        if (!ReadFile(m_handle, buffer.data(), DWORD(buffer.size()), &got, nullptr)) {
            qCWarning(lcSerial).noquote()
                << comName(m_number) << "lost, the device is gone:" << systemText(GetLastError());
            lose();
            return;
        }
        m_input.append(buffer.data(), qsizetype(got));
    }

    // The bytes the driver holds; -1 when the device is gone (the port is then closed).
    int heldBytes()
    {
        COMSTAT status {};
        if (!queues(&status)) {
            lose();
            return -1;
        }
        return int(status.cbInQue);
    }

    bool queues(COMSTAT *status) const
    {
        DWORD errors = 0;
        return ClearCommError(m_handle, &errors, status) != 0;
    }

    // The device went away (adapter unplugged): the port is closed, as on Linux.
    void lose()
    {
        if (!isOpen())
            return;
        CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        m_input.clear();
        timeEndPeriod(1);
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    int m_number = 1;
    // Bytes read from the driver and not yet handed out.
    QByteArray m_input;
    int m_readWaitMs = -1;
};

} // namespace

QList<SerialPortInfo> SystemSerial::ports()
{
    std::vector<int> numbers;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key)
        == ERROR_SUCCESS) {
        for (DWORD index = 0;; ++index) {
            wchar_t valueName[256];
            DWORD nameLength = 256;
            wchar_t data[64];
            DWORD dataBytes = sizeof(data) - sizeof(wchar_t);
            DWORD type = 0;
            const LONG result = RegEnumValueW(key,
                                              index,
                                              valueName,
                                              &nameLength,
                                              nullptr,
                                              &type,
                                              reinterpret_cast<BYTE *>(data),
                                              &dataBytes);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result != ERROR_SUCCESS || type != REG_SZ)
                continue;
            data[dataBytes / sizeof(wchar_t)] = L'\0';
            if (const int number = comNumber(QString::fromWCharArray(data).trimmed()))
                numbers.push_back(number);
        }
        RegCloseKey(key);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    QList<SerialPortInfo> ports;
    for (const int number : numbers)
        ports.append({number, deviceOfComNumber(number)});
    qCDebug(lcSerial) << "ports" << numbers;
    return ports;
}

std::unique_ptr<SerialPort> SystemSerial::createPort()
{
    return std::make_unique<WindowsPort>();
}

int comNumberOfDevice(const QString &device)
{
    const QString prefix = QStringLiteral("\\\\.\\");
    return comNumber(device.startsWith(prefix) ? device.mid(prefix.size()) : device);
}

QString portSpellings()
{
    return QCoreApplication::translate("platform::SystemSerial", "COM3 or 3");
}

QString deviceOfComNumber(int number, const QString & /*portsFolder*/)
{
    return number > 0 ? QStringLiteral("\\\\.\\COM%1").arg(number) : QString();
}

} // namespace platform
