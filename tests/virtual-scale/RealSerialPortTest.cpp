// The program's real serial ports (QSerialPort) against kovara-virtual-scale on a pseudo-terminal,
// and the port numbering and error texts of the real serial system.

#include "platform/Clock.h"
#include "platform/SystemSerial.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::SerialError;

namespace {

// A kovara-virtual-scale linked as COM3 in a fresh ports folder that also holds a dangling COM1,
// with KOVARA_SERIAL_PORTS pointing there while the test runs.
class ScaleOnPty : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QFile::link(m_dir.filePath("no-such-device"), m_dir.filePath("COM1"));
        QFile(m_dir.filePath("notes.txt")).open(QIODevice::WriteOnly);
        qputenv("KOVARA_SERIAL_PORTS", m_dir.path().toLocal8Bit());
    }

    void TearDown() override
    {
        stopScale();
        qunsetenv("KOVARA_SERIAL_PORTS");
    }

    void startScale(const QStringList &extra = {})
    {
        m_scale.setProgram(QStringLiteral(KOVARA_BIN_DIR "/kovara-virtual-scale"));
        m_scale.setArguments(QStringList {"--ports-dir",
                                          m_dir.path(),
                                          "--com",
                                          "3",
                                          "--serial",
                                          "12345678",
                                          "--dump",
                                          dumpPath()}
                             + extra);
        m_scale.start();
        ASSERT_TRUE(m_scale.waitForStarted(5000));
        while (!m_scale.canReadLine() && m_scale.waitForReadyRead(5000)) {}
        ASSERT_TRUE(m_scale.readLine().startsWith("COM3 -> /dev/pts/"));
    }

    void stopScale()
    {
        if (m_scale.state() == QProcess::NotRunning)
            return;
        m_scale.terminate();
        m_scale.waitForFinished(5000);
    }

    QString dumpPath() const { return m_dir.filePath("flash.bin"); }

    std::unique_ptr<platform::SerialPort> open(int number)
    {
        auto port = m_system.createPort();
        port->setCommPort(number);
        port->open();
        return port;
    }

    // The exchange as the program makes it: send, let events run until the answer is in.
    QByteArray exchange(platform::SerialPort &port, const QByteArray &frame, int replyLength)
    {
        port.output(frame);
        const qint64 deadline = m_clock.nowMs() + 5000;
        while (port.inBufferCount() < replyLength && m_clock.nowMs() < deadline)
            m_clock.waitForEvents(int(deadline - m_clock.nowMs()));
        return port.input();
    }

    QTemporaryDir m_dir;
    QProcess m_scale;
    platform::SystemSerial m_system;
    platform::SystemClock m_clock;
};

SerialError::Kind failureOf(const std::function<void()> &action, QString *text = nullptr)
{
    try {
        action();
    } catch (const SerialError &error) {
        if (text)
            *text = error.text();
        return error.kind();
    }
    return SerialError::Kind::Other;
}

QByteArray frame(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out.append(char(v));
    return out;
}

} // namespace

TEST_F(ScaleOnPty, ListsTheFolderAndFindsTheScaleBehindCom3)
{
    startScale();
    EXPECT_EQ(m_system.portNames(), QStringList({"COM1", "COM3"}));

    QString text;
    EXPECT_EQ(failureOf([&] { open(1); }, &text), SerialError::Kind::NotFound);
    EXPECT_EQ(text, QStringLiteral("COM1 is not there."));
    EXPECT_EQ(failureOf([&] { open(2); }), SerialError::Kind::NotFound);

    auto port = open(3);
    EXPECT_TRUE(port->isOpen());
    EXPECT_EQ(failureOf([&] { open(3); }, &text), SerialError::Kind::Busy);
    EXPECT_TRUE(text.contains(QStringLiteral("in use by another program"))) << text.toStdString();

    const QByteArray reply = exchange(*port, frame({0xB4, 0x07, 0x00}), 131);
    ASSERT_EQ(reply.size(), 131);
    EXPECT_EQ(reply.left(7), frame({0xB4, 0x07, 0x00, 0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(port->outBufferCount(), 0);
    port->close();
    EXPECT_FALSE(port->isOpen());
    EXPECT_THROW(port->output(frame({0xB4})), SerialError);
}

TEST_F(ScaleOnPty, FlashAfterAProgramSessionIsWhatWasSent)
{
    startScale();
    QByteArray image(0x10000, 0);
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(QRandomGenerator::global()->bounded(256));
    image.replace(0x0700, 4, frame({0x12, 0x34, 0x56, 0x78}));

    auto port = open(3);
    EXPECT_EQ(exchange(*port, frame({0x1E, 0x12, 0x34, 0x56, 0x79}), 1), frame({0x0F}));
    ASSERT_EQ(exchange(*port, frame({0x1E, 0x12, 0x34, 0x56, 0x78}), 1), frame({0xF0}));
    for (int address = 0; address < 0x10000; address += 128) {
        const QByteArray block
            = frame({0xC3, address >> 8, address & 0xFF}) + image.mid(address, 128);
        ASSERT_EQ(exchange(*port, block, 1), frame({0xF0})) << address;
    }
    const QByteArray readBack = exchange(*port, frame({0xB4, 0xFF, 0x80}), 131);
    EXPECT_EQ(readBack.mid(3), image.mid(0xFF80));
    port->output(frame({0x4B}));
    while (port->outBufferCount() > 0)
        m_clock.waitForEvents(10);
    port->close();

    stopScale();
    QFile dump(dumpPath());
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    EXPECT_TRUE(dump.readAll() == image);
}

TEST_F(ScaleOnPty, PortClosesItselfWhenTheFarEndGoes)
{
    startScale();
    auto port = open(3);
    ASSERT_EQ(exchange(*port, frame({0xB4, 0x07, 0x00}), 131).size(), 131);
    stopScale();
    const qint64 deadline = m_clock.nowMs() + 3000;
    while (port->isOpen() && m_clock.nowMs() < deadline)
        m_clock.waitForEvents(50);
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(failureOf([&] {
                  port->output(frame({0xB4, 0x07, 0x00}));
              }),
              SerialError::Kind::NotOpen);
    EXPECT_EQ(failureOf([&] { open(3); }), SerialError::Kind::NotFound) << "the link is gone";
}

TEST(SystemSerialPorts, NumbersDevicesByAFixedRule)
{
    qunsetenv("KOVARA_SERIAL_PORTS");
    EXPECT_EQ(platform::comNumberOfDevice("/dev/ttyS0"), 1);
    EXPECT_EQ(platform::comNumberOfDevice("/dev/ttyS9"), 10);
    EXPECT_EQ(platform::comNumberOfDevice("/dev/ttyUSB0"), 101);
    EXPECT_EQ(platform::comNumberOfDevice("/dev/ttyACM2"), 203);
    EXPECT_EQ(platform::comNumberOfDevice("/dev/ttyAMA0"), 301);
    EXPECT_EQ(platform::comNumberOfDevice("/dev/ttyS100"), 0);
    EXPECT_EQ(platform::comNumberOfDevice("/dev/ttyS01"), 0);
    EXPECT_EQ(platform::comNumberOfDevice("/dev/pts/3"), 0);
    for (const int number : {1, 10, 100, 101, 203, 301}) {
        EXPECT_EQ(platform::comNumberOfDevice(platform::deviceOfComNumber(number)), number)
            << number;
    }
    EXPECT_TRUE(platform::deviceOfComNumber(0).isEmpty());
    EXPECT_TRUE(platform::deviceOfComNumber(401).isEmpty());

    qputenv("KOVARA_SERIAL_PORTS", "/tmp/ports");
    EXPECT_EQ(platform::deviceOfComNumber(12), QStringLiteral("/tmp/ports/COM12"));
    qunsetenv("KOVARA_SERIAL_PORTS");
}

TEST(SystemSerialPorts, TellsABusyPortFromAForbiddenOne)
{
    const QString tty = QStringLiteral("/dev/ptmx");
    const SerialError busy = platform::openFailure(
        QSerialPort::PermissionError, "Permission denied", "COM3", tty, true);
    EXPECT_EQ(busy.kind(), SerialError::Kind::Busy);

    const SerialError forbidden = platform::openFailure(
        QSerialPort::PermissionError, "Permission denied", "COM3", tty, false);
    EXPECT_EQ(forbidden.kind(), SerialError::Kind::PermissionDenied);
    const QString group = platform::deviceGroup(tty);
    ASSERT_FALSE(group.isEmpty());
    EXPECT_TRUE(forbidden.text().startsWith(QStringLiteral("You may not open COM3 (/dev/ptmx).")))
        << forbidden.text().toStdString();
    EXPECT_TRUE(forbidden.text().contains(QStringLiteral("usermod -aG %1").arg(group)));
    EXPECT_TRUE(forbidden.text().contains(QStringLiteral("log out and log in again")));

    EXPECT_EQ(
        platform::openFailure(QSerialPort::DeviceNotFoundError, "", "COM4", "/dev/x", true).kind(),
        SerialError::Kind::NotFound);
    const SerialError other
        = platform::openFailure(QSerialPort::OpenError, "Device busy", "COM4", "/dev/x", true);
    EXPECT_EQ(other.kind(), SerialError::Kind::Other);
    EXPECT_EQ(other.text(), QStringLiteral("COM4 could not be opened: Device busy"));
}
