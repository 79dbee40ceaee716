#pragma once

// A ports folder of a test's own, with kovara-virtual-scale processes linked into it as COMn, for
// tests that go through the program's real serial ports (QSerialPort on a pseudo-terminal).
//
// Give its folder to the system's serial ports (TestPlatform's realPortsFolder), which then list
// exactly these ports, with a real clock: the scale answers in real time. While it lives,
// KOVARA_SERIAL_PORTS names its folder for the programs a test starts (a development build reads
// it).
//
//   VirtualScalePorts ports;
//   ports.addDanglingPort(1);                       // COM1: listed, not there
//   ports.startScale(3, {"--serial", "12345678"});  // COM3: a scale; more options as the command
//   ...                                             // takes them (--pace, --refuse-block, ...)
//   ports.stopScale(3);
//   QByteArray flash = ports.flash(3);              // the scale's flash when it stopped
//
// The test binary must depend on the kovara-virtual-scale target.

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace testing_support {

class VirtualScalePorts
{
public:
    VirtualScalePorts();
    ~VirtualScalePorts();
    VirtualScalePorts(const VirtualScalePorts &) = delete;
    VirtualScalePorts &operator=(const VirtualScalePorts &) = delete;

    QString folder() const { return m_dir.path(); }
    // A COMn entry whose link leads nowhere.
    void addDanglingPort(int number);
    // Starts a scale as COMn and waits until it serves; false (with its stderr logged) if it
    // did not start. The flash is dumped to dumpPath(number) after each session and on stop.
    bool startScale(int number, const QStringList &arguments = {"--serial", "12345678"});
    // Ends the scale with SIGTERM, as a user would, and waits for its last dump.
    void stopScale(int number);
    // Ends the scale at once, leaving its port with no far end (a cable pulled).
    void killScale(int number);
    QString dumpPath(int number) const;
    QByteArray flash(int number) const;
    // The pseudo-terminal COMn leads to.
    QString device(int number) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
    std::map<int, std::unique_ptr<QProcess>> m_scales;
};

} // namespace testing_support
