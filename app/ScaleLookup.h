#pragma once

// Finding the scale on the flow's scale programmer: the port search of "Connect Scale to
// Computer", the serial-number read of the main window's Update Scale, and opening the port for
// the update. Each reports by a signal; what went wrong goes to the log a support person reads.

#include <QList>
#include <QObject>
#include <QStringList>

namespace device {
class ScaleProgrammer;
struct ScaleSearch;
} // namespace device
namespace platform {
class SerialSystem;
}

class ScaleLookup final : public QObject
{
    Q_OBJECT
public:
    ScaleLookup(device::ScaleProgrammer &scale,
                platform::SerialSystem &ports,
                QObject *parent = nullptr);

    // The serial ports there are now, in the order the search tries them.
    QList<int> portsToSearch() const;
    // Tries the ports in order until one answers with a valid serial number; that port is then
    // the programmer's, closed. A port that cannot be opened is skipped.
    void search(const QList<int> &portNumbers);
    // Opens the scale's port if it is not open and reads the serial number.
    void readSerialNumber();
    // A scale that was unplugged took its port with it; plugged back, the port opens again. A
    // port that does not open is logged and left closed: the update then gets no answer from the
    // scale and ends on the communication-error window, whose Retry comes back here.
    void openForUpdate();

Q_SIGNALS:
    void scaleFound();
    // refusal: empty when every port was searched; otherwise, for the user, that some ports
    // could not be searched and why, in the ports' own words (which device, how to be allowed).
    void scaleMissing(const QString &refusal);
    // Empty when the port did not open or the scale did not answer.
    void serialNumberRead(const QString &serial);

private:
    static QString refusalText(const QStringList &refused);
    QString portName() const;

    device::ScaleProgrammer &m_scale;
    platform::SerialSystem &m_ports;
};
