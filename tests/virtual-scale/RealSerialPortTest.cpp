// The program's real serial ports (QSerialPort) against kovara-virtual-scale on a pseudo-terminal:
// the ports listed, and why one does not open, in the real serial system's numbering and texts.

#include "device/ScaleProgrammer.h"
#include "platform/Clock.h"
#include "platform/SystemSerial.h"

#include "VirtualScalePorts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

#include <unistd.h>

using platform::SerialError;

namespace {

// A kovara-virtual-scale linked as COM3 in a fresh ports folder that also holds a dangling COM1.
class ScaleOnPty : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ports.addDanglingPort(1);
        QFile(m_ports.folder() + "/notes.txt").open(QIODevice::WriteOnly);
    }

    void startScale() { ASSERT_TRUE(m_ports.startScale(3, {"--serial", "12345678"})); }

    // Why COMn does not open: its kind, and the text into *text.
    SerialError::Kind failureOf(int number, QString *text = nullptr)
    {
        auto port = m_system.createPort();
        port->setPortNumber(number);
        const auto error = port->open();
        if (error && text)
            *text = error->text();
        return error ? error->kind() : SerialError::Kind::Other;
    }

    testing_support::VirtualScalePorts m_ports;
    platform::SystemSerial m_system {m_ports.folder()};
};

} // namespace

TEST_F(ScaleOnPty, ListsTheFolderAndTellsMissingAndBusyPortsApart)
{
    startScale();
    const QList<platform::SerialPortInfo> ports = m_system.ports();
    ASSERT_EQ(ports.size(), 2);
    EXPECT_EQ(ports.at(0).device, m_ports.folder() + QStringLiteral("/COM1")) << "dangling";
    EXPECT_EQ(ports.at(1).number, 3);
    EXPECT_TRUE(ports.at(1).device.startsWith(QStringLiteral("/dev/pts/")));
    QString text;
    EXPECT_EQ(failureOf(1, &text), SerialError::Kind::NotFound);
    EXPECT_EQ(text, QStringLiteral("COM1 is not there."));
    EXPECT_EQ(failureOf(2), SerialError::Kind::NotFound);
    {
        QSerialPort otherProgram(m_ports.device(3));
        ASSERT_TRUE(otherProgram.open(QIODevice::ReadWrite));
        EXPECT_EQ(failureOf(3), SerialError::Kind::Busy) << "held by its device";
    }
    // Held by the program itself; the whole runs exchange frames over such a port.
    auto port = m_system.createPort();
    port->setPortNumber(3);
    ASSERT_FALSE(port->open());
    EXPECT_EQ(failureOf(3, &text), SerialError::Kind::Busy);
    EXPECT_TRUE(text.contains(QStringLiteral("in use by another program"))) << text.toStdString();
    port->close();
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(port->write("\xB4")->kind(), SerialError::Kind::NotOpen);
}

// A device the user may not open. As root every device opens, so the check runs in a child
// process of this binary with the rights of "nobody"; as any other user the device's rights are
// taken away instead.
// The program's end does not wait out a scale that does not answer: the programmer cuts the wait
// short and its worker closes the port, which another program may then open.
TEST_F(ScaleOnPty, TheEndDoesNotWaitForASilentScale)
{
    ASSERT_TRUE(m_ports.startScale(3, {"--serial", "12345678", "--fault", "ignore b4 always"}));
    platform::SystemClock clock;
    auto scale = std::make_unique<device::ScaleProgrammer>(m_system, clock);
    scale->findScale({3});
    // Real time on a real port: the serial-number read is on the line by then.
    QThread::msleep(500);
    QElapsedTimer ending;
    ending.start();
    scale.reset();
    EXPECT_LT(ending.elapsed(), 1000) << "the reply wait is ten seconds";
    auto port = m_system.createPort();
    port->setPortNumber(3);
    EXPECT_FALSE(port->open().has_value());
}

TEST_F(ScaleOnPty, DeviceTheUserMayNotOpenSaysWhoMay)
{
    startScale();
    const QString device = m_ports.device(3);
    ASSERT_TRUE(device.startsWith("/dev/pts/"));
    if (::getuid() != 0) {
        const auto rights = QFile::permissions(device);
        ASSERT_TRUE(QFile::setPermissions(device, {}));
        QString text;
        EXPECT_EQ(failureOf(3, &text), SerialError::Kind::PermissionDenied);
        EXPECT_TRUE(text.contains(device)) << text.toStdString();
        QFile::setPermissions(device, rights);
        return;
    }
    if (QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "setpriv (util-linux) is needed to drop root's rights";
    // The child runs from the ports folder, which "nobody" may enter wherever the build lives.
    const QString folder = m_ports.folder();
    const QString copy = folder + "/pty_serial_tests";
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), copy));
    const auto everyone = QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(copy, QFile::permissions(copy) | everyone);
    QFile::setPermissions(folder, QFile::permissions(folder) | everyone);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KOVARA_FORBIDDEN_PORT", "3");
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(folder);
    child.start("setpriv",
                {"--reuid=65534",
                 "--regid=65534",
                 "--clear-groups",
                 copy,
                 "--gtest_filter=ForbiddenPort.*"});
    ASSERT_TRUE(child.waitForFinished(20000));
    const QByteArray output = child.readAllStandardOutput();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

// Runs only as the child of the test above.
TEST(ForbiddenPort, OpenSaysPermissionDeniedAndTheFix)
{
    const int number = qEnvironmentVariableIntValue("KOVARA_FORBIDDEN_PORT");
    if (number == 0)
        GTEST_SKIP() << "runs as a child of DeviceTheUserMayNotOpenSaysWhoMay";
    const QString folder = qEnvironmentVariable("KOVARA_SERIAL_PORTS");
    platform::SystemSerial system(folder);
    auto port = system.createPort();
    port->setPortNumber(number);
    const auto error = port->open();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), SerialError::Kind::PermissionDenied);
    const QString text = error->text();
    EXPECT_TRUE(text.contains(QStringLiteral("You may not open COM%1 (/dev/pts/").arg(number)))
        << text.toStdString();
    const QString group = platform::deviceGroup(platform::deviceOfComNumber(number, folder));
    ASSERT_FALSE(group.isEmpty());
    EXPECT_TRUE(text.contains(group == "root" ? QStringLiteral("\"dialout\"") : '"' + group + '"'))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("log out and log in again")));
}

TEST(SystemSerialPorts, NumbersDevicesByAFixedRule)
{
    const std::pair<const char *, int> rows[] = {{"/dev/ttyS0", 1},
                                                 {"/dev/ttyS9", 10},
                                                 {"/dev/ttyUSB0", 101},
                                                 {"/dev/ttyACM2", 203},
                                                 {"/dev/ttyAMA0", 301},
                                                 {"/dev/ttyS100", 0},
                                                 {"/dev/ttyS01", 0},
                                                 {"/dev/pts/3", 0}};
    for (const auto &[device, number] : rows) {
        EXPECT_EQ(platform::comNumberOfDevice(device), number) << device;
        if (number) {
            EXPECT_EQ(platform::deviceOfComNumber(number), device);
        }
    }
    EXPECT_TRUE(platform::deviceOfComNumber(0).isEmpty());
    EXPECT_TRUE(platform::deviceOfComNumber(401).isEmpty());
    EXPECT_EQ(platform::deviceOfComNumber(12, "/tmp/ports"), QStringLiteral("/tmp/ports/COM12"));
}
