#include "app/ScaleLookup.h"
#include "app/AppLog.h"

#include "device/PortList.h"
#include "device/ScaleProgrammer.h"
#include "platform/SerialPort.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcMain, "kovara.welcome")
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
    const QStringList names = m_ports.portNames();
    const QList<int> numbers = device::portNumbers(names);
    qCInfo(lcPortSearch).noquote()
        << "serial ports:" << names.join(QLatin1Char(' ')) << "-> search order" << numbers;
    return numbers;
}

void ScaleLookup::search(const QList<int> &portNumbers)
{
    connect(
        &m_scale,
        &device::ScaleProgrammer::searchEnded,
        this,
        [this](const device::ScaleSearch &search) {
            if (search.found)
                Q_EMIT scaleFound();
            else
                Q_EMIT scaleMissing(refusalText(search.refused));
        },
        Qt::SingleShotConnection);
    m_scale.findScale(portNumbers);
}

void ScaleLookup::readSerialNumber()
{
    if (!m_scale.isOpen()) {
        if (const auto error = m_scale.open()) {
            qCWarning(lcMain).noquote()
                << "cannot open the scale's port " + portName() + ':' << error->text();
            Q_EMIT serialNumberRead(QString());
            return;
        }
    }
    connect(
        &m_scale,
        &device::ScaleProgrammer::serialNumberRead,
        this,
        [this](const QString &serial) {
            if (serial.isEmpty()) {
                qCWarning(lcMain).noquote()
                    << "the scale did not answer with its serial number on" << portName();
            } else {
                qCInfo(lcMain).noquote() << "the scale answered with serial number" << serial;
            }
            Q_EMIT serialNumberRead(serial);
        },
        Qt::SingleShotConnection);
    m_scale.readSerialNumber();
}

void ScaleLookup::openForUpdate()
{
    if (m_scale.isOpen())
        return;
    if (const auto error = m_scale.open())
        qCWarning(lcWizard).noquote()
            << "opening" << portName() << "for the update:" << error->text();
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
    return QStringLiteral("COM") + QString::number(m_scale.portNumber());
}
