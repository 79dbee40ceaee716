#include "platform/SystemSerial.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSerialPortInfo>
#include <QThread>

#include <algorithm>
#include <map>

#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSerial, "kovara.serial", QtInfoMsg)

namespace platform {

namespace {

struct DeviceRange
{
    const char *prefix;
    int firstCom;
};

const DeviceRange kRanges[] = {
    {"/dev/ttyS", 1},
    {"/dev/ttyUSB", 101},
    {"/dev/ttyACM", 201},
    {"/dev/ttyAMA", 301},
};
constexpr int kRangeSize = 100;
// How long a wait for the driver's send queue sleeps before it looks again.
constexpr int kDrainPollMs = 2;

bool userMayOpen(const QString &device)
{
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
}

class SystemPort final : public SerialPort
{
public:
    explicit SystemPort(const QString &portsFolder)
        : m_portsFolder(portsFolder)
    {
        QObject::connect(&m_port,
                         &QSerialPort::errorOccurred,
                         &m_port,
                         [this](QSerialPort::SerialPortError error) { onError(error); });
    }
    ~SystemPort() override { close(); }

    void setPortNumber(int number) override
    {
        if (!m_port.isOpen())
            m_number = number;
    }
    int portNumber() const override { return m_number; }

    std::optional<SerialError> open() override
    {
        if (isOpen())
            return std::nullopt;
        if (m_port.isOpen())
            m_port.close(); // lost earlier; the close is still queued
        const QString name = comName(m_number);
        const QString device = deviceOfComNumber(m_number, m_portsFolder);
        if (device.isEmpty() || !QFileInfo::exists(device)) {
            qCInfo(lcSerial).noquote() << name << "is not there:" << device;
            return SerialError::notFound(name);
        }
        // The device itself, not the link to it: the lock that keeps out a second program is
        // named after the path opened.
        m_port.setPortName(QFileInfo(device).canonicalFilePath());
        m_port.setBaudRate(SerialLine::kBaudRate);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        m_port.setReadBufferSize(SerialLine::kInBufferSize);
        m_opening = true;
        const bool opened = m_port.open(QIODevice::ReadWrite);
        if (!opened) {
            m_opening = false;
            const SerialError error = openFailure(
                m_port.error(), m_port.errorString(), name, device, userMayOpen(device));
            qCWarning(lcSerial).noquote()
                << name << device << "could not be opened:" << m_port.errorString();
            m_port.clearError();
            return error;
        }
        m_lost = false;
        // A pseudo-terminal has no modem lines; raising them there fails and does no harm.
        if (!m_port.setRequestToSend(SerialLine::kRaiseRtsDtr)
            || !m_port.setDataTerminalReady(SerialLine::kRaiseRtsDtr)) {
            qCDebug(lcSerial).noquote() << name << "has no RTS/DTR lines:" << m_port.errorString();
        }
        m_opening = false;
        m_port.clearError();
        m_port.clear(QSerialPort::Input);
        qCInfo(lcSerial).noquote()
            << name << "open on" << device << "at" << SerialLine::kBaudRate << "8N1";
        return std::nullopt;
    }

    void close() override
    {
        if (!m_port.isOpen())
            return;
        m_port.close();
        if (!m_lost)
            qCInfo(lcSerial).noquote() << comName(m_number) << "closed";
        m_lost = false;
    }

    bool isOpen() const override { return m_port.isOpen() && !m_lost; }

    std::optional<SerialError> write(const QByteArray &bytes) override
    {
        if (!isOpen())
            return SerialError::notOpen();
        if (m_port.write(bytes) != bytes.size()) {
            const QString text = QStringLiteral("Sending to %1 failed: %2")
                                     .arg(comName(m_number), m_port.errorString());
            qCWarning(lcSerial).noquote() << text;
            return SerialError(SerialError::Kind::Other, text);
        }
        return std::nullopt;
    }

    int bytesToWrite() const override
    {
        if (!isOpen())
            return 0;
        // Bytes still in Qt's buffer and in the driver's queue, not yet on the wire.
        int queued = 0;
        if (::ioctl(m_port.handle(), TIOCOUTQ, &queued) != 0)
            queued = 0;
        return int(m_port.bytesToWrite()) + std::max(0, queued);
    }

    int bytesAvailable() const override { return isOpen() ? int(m_port.bytesAvailable()) : 0; }

    void clearInput() override
    {
        if (!isOpen())
            return;
        m_port.clear(QSerialPort::Input);
        m_port.readAll();
    }

    QByteArray read() override
    {
        if (!isOpen())
            return {};
        return m_port.read(SerialLine::kInputLen);
    }

    void waitForSent(int maxMs) override
    {
        if (!isOpen())
            return;
        if (m_port.bytesToWrite() > 0) {
            m_port.waitForBytesWritten(maxMs);
            return;
        }
        // Qt has handed everything to the driver, which gives no wake-up when its queue drains
        // (131 bytes take 68 ms): look again shortly.
        QThread::msleep(std::clamp(maxMs, 0, kDrainPollMs));
    }

    void waitForInput(int maxMs, int /*wanted*/) override
    {
        if (isOpen())
            m_port.waitForReadyRead(std::max(0, maxMs));
    }

private:
    void onError(QSerialPort::SerialPortError error)
    {
        if (error == QSerialPort::NoError || m_opening || m_lost)
            return;
        if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError
            && error != QSerialPort::WriteError) {
            qCDebug(lcSerial).noquote() << comName(m_number) << error << m_port.errorString();
            return;
        }
        // The device went away (adapter unplugged, far end of a pseudo-terminal closed): the
        // port would report the same error on every turn of the event loop. Close it once the
        // signal has returned.
        qCWarning(lcSerial).noquote() << comName(m_number) << "lost, the device is gone:" << error;
        m_lost = true;
        QMetaObject::invokeMethod(
            &m_port,
            [this] {
                if (m_lost && m_port.isOpen())
                    m_port.close();
            },
            Qt::QueuedConnection);
    }

    const QString m_portsFolder;
    QSerialPort m_port;
    int m_number = 1;
    bool m_opening = false;
    bool m_lost = false;
};

} // namespace

QList<SerialPortInfo> SystemSerial::ports()
{
    std::map<int, QString> devices;
    if (!m_portsFolder.isEmpty()) {
        // Dangling links are listed too (QDir::System), as the entry itself.
        const QFileInfoList entries
            = QDir(m_portsFolder).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            const int number = comNumber(entry.fileName());
            if (number == 0 || entry.fileName() != comName(number))
                continue;
            const QString device = entry.canonicalFilePath();
            devices.emplace(number, device.isEmpty() ? entry.filePath() : device);
        }
    } else {
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
            if (const int number = comNumberOfDevice(info.systemLocation()))
                devices.emplace(number, info.systemLocation());
        }
    }
    QList<SerialPortInfo> ports;
    for (const auto &[number, device] : devices)
        ports.append({number, device});
    qCDebug(lcSerial) << "ports" << devices << m_portsFolder;
    return ports;
}

std::unique_ptr<SerialPort> SystemSerial::createPort()
{
    return std::make_unique<SystemPort>(m_portsFolder);
}

QString portSpellings()
{
    return QCoreApplication::translate("platform::SystemSerial",
                                       "COM3, 3 or a device such as /dev/ttyUSB0");
}

int comNumberOfDevice(const QString &device)
{
    for (const DeviceRange &range : kRanges) {
        const QString prefix = QLatin1String(range.prefix);
        if (!device.startsWith(prefix))
            continue;
        const QString rest = device.mid(prefix.size());
        bool ok = false;
        const int index = rest.toInt(&ok);
        if (!ok || index < 0 || index >= kRangeSize || rest != QString::number(index))
            return 0;
        return range.firstCom + index;
    }
    return 0;
}

QString deviceOfComNumber(int number, const QString &portsFolder)
{
    if (number <= 0)
        return {};
    if (!portsFolder.isEmpty())
        return QDir(portsFolder).filePath(comName(number));
    for (const DeviceRange &range : kRanges) {
        if (number >= range.firstCom && number < range.firstCom + kRangeSize)
            return QLatin1String(range.prefix) + QString::number(number - range.firstCom);
    }
    return {};
}

QString deviceGroup(const QString &device)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0)
        return {};
    const struct group *entry = ::getgrgid(info.st_gid);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString();
}

SerialError openFailure(QSerialPort::SerialPortError error,
                        const QString &errorText,
                        const QString &portName,
                        const QString &device,
                        bool mayOpen)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return SerialError::notFound(portName);
    case QSerialPort::PermissionError:
        if (mayOpen)
            return SerialError::busy(portName);
        return SerialError::permissionDenied(
            portName, QFileInfo(device).canonicalFilePath(), deviceGroup(device));
    default:
        return SerialError(SerialError::Kind::Other,
                           QStringLiteral("%1 could not be opened: %2").arg(portName, errorText));
    }
}

} // namespace platform
