#include "app/ScaleLookup.h"
#include "app/AppLog.h"

#include "device/ScaleProgrammer.h"
#include "platform/SerialPort.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcLookup, "kovara.lookup")
} // namespace

ScaleLookup::ScaleLookup(device::ScaleProgrammer &scale,
                         platform::SerialSystem &ports,
                         QObject *parent)
    : QObject(parent)
    , m_scale(scale)
    , m_ports(ports)
{ }

QList<int> ScaleLookup::portsToSearch() const
{
    QList<int> numbers;
    QStringList listed;
    for (const platform::SerialPortInfo &port : m_ports.ports()) {
        numbers << port.number;
        listed << port.name() + QLatin1Char('=') + port.device;
    }
    qCInfo(lcPortSearch).noquote()
        << "serial ports:" << listed.join(QLatin1Char(' ')) << "-> search order" << numbers;
    return numbers;
}

void ScaleLookup::search(const QList<int> &portNumbers)
{
    const auto *job = m_scale.findScale(portNumbers);
    connect(job, &device::ScaleJob::finished, this, [this, job] {
        if (job->result().found)
            Q_EMIT scaleFound();
        else
            Q_EMIT scaleMissing(refusalText(job->result().refused));
    });
}

void ScaleLookup::readSerialNumber()
{
    const auto *job = m_scale.readSerialNumber();
    connect(job, &device::ScaleJob::finished, this, [this, job] {
        const device::SerialRead &result = job->result();
        if (result.openError) {
            qCWarning(lcLookup).noquote()
                << "cannot open the scale's port " + portName() + ':' << result.openError->text();
        } else if (result.serial.isEmpty()) {
            qCWarning(lcLookup).noquote()
                << "the scale did not answer with its serial number on" << portName();
        } else {
            qCInfo(lcLookup).noquote() << "the scale answered with serial number" << result.serial;
        }
        // Q_EMIT expands to nothing, which the indentation check takes for a deeper statement.
        // NOLINTNEXTLINE(readability-misleading-indentation)
        Q_EMIT serialNumberRead(result.serial);
    });
}

void ScaleLookup::openForUpdate()
{
    const auto *job = m_scale.open();
    connect(job, &device::ScaleJob::finished, this, [this, job] {
        if (const auto &error = job->result()) {
            qCWarning(lcWizard).noquote()
                << "opening" << portName() << "for the update:" << error->text();
        }
    });
}

QString ScaleLookup::refusalText(const QStringList &refused)
{
    if (refused.isEmpty())
        return {};
    const QString advice = refused.size() == 1
        ? tr("No scale was found, and a serial port could not be searched.")
        : tr("No scale was found, and %1 serial ports could not be searched.").arg(refused.size());
    return advice + QLatin1Char('\r') + refused.join(QLatin1Char('\r'));
}

QString ScaleLookup::portName() const
{
    return platform::comName(m_scale.portNumber());
}
