// The port search through the real serial ports: kovara-virtual-scale on a pseudo-terminal linked
// as COM3, next to a COM1 whose device is gone.

#include "ScaleJobs.h"
#include "WizardPlatform.h"

#include "platform/Process.h"
#include "platform/SerialPort.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Points the real serial system at a ports folder for the test's life.
class PortsFolder
{
public:
    PortsFolder() { qputenv("KOVARA_SERIAL_PORTS", m_dir.path().toLocal8Bit()); }
    ~PortsFolder() { qunsetenv("KOVARA_SERIAL_PORTS"); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

TEST(PortSearchOnPty, FindsTheScaleOnCom3PastADanglingCom1)
{
    testing_support::WizardPlatform test({nullptr, true});
    // Real ports and real time for this one.

    PortsFolder ports;
    QFile::link(ports.filePath(QStringLiteral("gone")), ports.filePath(QStringLiteral("COM1")));

    QProcess scale;
    scale.start(QStringLiteral(KOVARA_BIN_DIR "/kovara-virtual-scale"),
                {"--ports-dir", ports.path(), "--com", "3", "--serial", "20231187", "--pace"});
    ASSERT_TRUE(scale.waitForStarted(5000));
    while (!scale.canReadLine() && scale.waitForReadyRead(5000)) { }
    ASSERT_TRUE(scale.readLine().startsWith("COM3 -> "));

    test.flow.goTo(UpdateFlow::Screen::PortSearch);
    QElapsedTimer elapsed;
    elapsed.start();
    testing_support::button(QStringLiteral("frmChoosePort"), QStringLiteral("cmdContinue"))
        ->click();
    EXPECT_TRUE(QTest::qWaitFor(
        [] { return testing_support::isShown(QStringLiteral("frmWelcome")); }, 10'000));
    EXPECT_LT(elapsed.elapsed(), 3000);
    device::ScaleProgrammer &port = test.scale;
    EXPECT_EQ(port.portNumber(), 3);
    EXPECT_FALSE(port.isOpen());

    port.open();
    EXPECT_EQ(testing_support::readSerialNumber(port), QStringLiteral("20231187"));
    port.close();

    scale.terminate();
    scale.waitForFinished(5000);
}

} // namespace
