#pragma once

// The machine's serial ports: the serial system the program uses (tests give the virtual one
// instead). On Linux the ports are on QSerialPort (posix/SystemSerial.cpp), on Windows on the
// Win32 API (windows/SystemSerial.cpp). Everything is logged on the category kovara.serial.
//
// Port names on Linux. When the system is made with a ports folder, its entries COM1, COM2, ...
// are the ports (usually links to devices: /dev/ttyUSB0, a pseudo-terminal of the virtual
// scale); an entry whose link dangles is still listed and opening it says it is not there.
// Otherwise the system's serial ports are numbered by a fixed rule, so a port keeps its number from
// run to run:
//   /dev/ttyS0 .. /dev/ttyS99     COM1 .. COM100    (on-board ports)
//   /dev/ttyUSB0 .. /dev/ttyUSB99 COM101 .. COM200  (USB serial adapters)
//   /dev/ttyACM0 .. /dev/ttyACM99 COM201 .. COM300  (USB modem-class devices)
//   /dev/ttyAMA0 .. /dev/ttyAMA99 COM301 .. COM400  (on-chip ports of ARM boards)
// Other devices can be given a number through a folder. On top of QSerialPort: settings
// applied at open, RTS/DTR raised where the device allows it (a pseudo-terminal does not, which
// is harmless), the port closed when the device goes away (QSerialPort would otherwise report
// read errors without end), and open failures told apart: not there, in use by another program,
// or not allowed for this user (with the fix).
//
// Port names on Windows: the system's own, as the registry lists them under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM; COMn is opened as \\.\COMn.

#include "platform/SerialPort.h"

#include <QtGlobal>
#ifndef Q_OS_WIN
#include <QSerialPort>
#endif

namespace platform {

class SystemSerial final : public SerialSystem
{
public:
    // portsFolder: the folder whose entries are the ports (Linux only); empty for the system's.
    explicit SystemSerial(const QString &portsFolder = {})
        : m_portsFolder(portsFolder)
    { }

    QList<SerialPortInfo> ports() override;
    std::unique_ptr<SerialPort> createPort() override;

private:
    QString m_portsFolder;
};

// The COM number of a device by the rules above ("\\.\COM3" or "COM3" on Windows); 0 when the
// rules give it none.
int comNumberOfDevice(const QString &device);
// How a user may name a port here, for help texts: "COM3, 3 or a device such as /dev/ttyUSB0" on
// Linux, "COM3 or 3" on Windows.
QString portSpellings();
// The device of COMn: the folder's entry when there is a ports folder, else by the rules above;
// empty when there is none.
QString deviceOfComNumber(int number, const QString &portsFolder = {});

#ifndef Q_OS_WIN
// The group that owns a device ("dialout"), empty when unknown.
QString deviceGroup(const QString &device);
// The error for a failed open. mayOpen: whether the user has read and write access to the device
// (QSerialPort reports a port held by another program and a forbidden one alike).
SerialError openFailure(QSerialPort::SerialPortError error,
                        const QString &errorText,
                        const QString &portName,
                        const QString &device,
                        bool mayOpen);
#endif

} // namespace platform
