#include "platform/SerialPort.h"

namespace platform {

SerialError SerialError::notFound(const QString &portName)
{
    return SerialError(Kind::NotFound, QStringLiteral("%1 is not there.").arg(portName));
}

SerialError SerialError::busy(const QString &portName)
{
    return SerialError(Kind::Busy,
                       QStringLiteral("%1 is in use by another program. Close that program and "
                                      "try again.")
                           .arg(portName));
}

SerialError
SerialError::permissionDenied(const QString &portName, const QString &device, const QString &group)
{
    const QString owner = group.isEmpty() ? QStringLiteral("dialout") : group;
    return SerialError(Kind::PermissionDenied,
                       QStringLiteral("You may not open %1 (%2). To use it, your user must be a "
                                      "member of the group \"%3\" that owns the device: run "
                                      "\"sudo usermod -aG %3 $USER\" (or ask your administrator), "
                                      "then log out and log in again.")
                           .arg(portName, device, owner));
}

SerialError SerialError::notOpen()
{
    return SerialError(Kind::NotOpen, QStringLiteral("The port is not open."));
}

namespace {
// Stands in until the system's serial ports are wired: no ports, and none can be opened.
class NoSerialPorts final : public SerialSystem
{
public:
    QStringList portNames() override { return {}; }
    std::unique_ptr<SerialPort> createPort() override;
};

class AbsentPort final : public SerialPort
{
public:
    void setCommPort(int number) override { m_number = number; }
    int commPort() const override { return m_number; }
    void configure(const SerialSettings &) override {}
    void open() override
    {
        throw SerialError(SerialError::Kind::NotFound,
                          QStringLiteral("COM%1 is not there.").arg(m_number));
    }
    void close() override {}
    bool isOpen() const override { return false; }
    void output(const QByteArray &) override
    {
        throw SerialError(SerialError::Kind::NotOpen, QStringLiteral("The port is not open."));
    }
    int outBufferCount() const override { return 0; }
    int inBufferCount() const override { return 0; }
    void clearInput() override {}
    QByteArray input() override { return {}; }

private:
    int m_number = 1;
};

std::unique_ptr<SerialPort> NoSerialPorts::createPort()
{
    return std::make_unique<AbsentPort>();
}

SerialSystem *g_installed = nullptr;
} // namespace

SerialSystem &serialSystem()
{
    if (g_installed)
        return *g_installed;
    static NoSerialPorts none;
    return none;
}

void install(SerialSystem *system)
{
    g_installed = system;
}

} // namespace platform
