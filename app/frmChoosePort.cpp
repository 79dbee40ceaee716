#include "app/frmChoosePort.h"

#include "app/frmErrorScaleCom2.h"
#include "app/frmQuit.h"
#include "app/frmWelcome.h"
#include "platform/Dialogs.h"
#include "platform/Look.h"
#include "platform/SerialPort.h"
#include "scale/PortList.h"
#include "scale/ScaleIdentity.h"
#include "scale/frmDisplay.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPortSearch, "kovara.portsearch")

namespace {

// The ports' own texts say which device it was and how to be allowed to use it.
QString permissionAdvice(const QStringList &refusals)
{
    return (refusals.size() == 1
                ? QStringLiteral("No scale was found, and a serial port could not be searched.\r")
                : QStringLiteral("No scale was found, and %1 serial ports could not be searched.\r")
                      .arg(refusals.size()))
        + refusals.join(QLatin1Char('\r'));
}

} // namespace

frmChoosePort::frmChoosePort()
    : Form(QStringLiteral("frmChoosePort"))
{ }

void frmChoosePort::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Connect Scale to Computer"));
    window->setFixedSize(440, 200);

    auto *choose = new QLabel(
        QStringLiteral("Please close all other windows until your scale is successfully updated. "
                       "Connect your scale to your computer and turn it on. Then, click Continue "
                       "button to check the scale connection and proceed with update. Latest "
                       "versions of PC Program and scale software will be checked also."),
        window);
    choose->setGeometry(20, 16, 400, 110);
    choose->setWordWrap(true);
    lblChoose.set(choose);

    auto *next = new QPushButton(QStringLiteral("&Continue"), window);
    next->setGeometry(170, 146, 100, 30);
    next->setDefault(true);
    cmdContinue.set(next);
    connect(next, &QPushButton::clicked, this, &frmChoosePort::cmdContinue_Click);
}

void frmChoosePort::Form_Load()
{
    look::paint({window(), lblChoose.get(), cmdContinue.get()});
    AskExit = true;
    centerOnScreen();
    EnumPorts();
}

void frmChoosePort::Form_Unload(bool &Cancel)
{
    if (!AskExit)
        return;
    Cancel = true;
    Forms::frmQuit().ShowModal(this);
}

void frmChoosePort::EnumPorts()
{
    const QStringList names = platform::serialSystem().portNames();
    PortNumbers = scale::portNumbers(names);
    qCInfo(lcPortSearch).noquote()
        << "serial ports:" << names.join(QLatin1Char(' ')) << "-> search order" << PortNumbers;
}

bool frmChoosePort::DetectPort()
{
    ::frmDisplay &display = Forms::frmDisplay();
    platform::SerialPort &port = display.MSComm1();
    m_refused.clear();
    try {
        if (port.isOpen())
            port.close();
    } catch (const platform::SerialError &error) {
        qCWarning(lcPortSearch).noquote() << "closing the port:" << error.text();
    }

    const QList<int> numbers = PortNumbers;
    for (int number : numbers) {
        try {
            port.setCommPort(number);
            port.open();
        } catch (const platform::SerialError &error) {
            qCWarning(lcPortSearch).noquote()
                << "COM" + QString::number(number) << "skipped:" << error.text();
            if (error.kind() == platform::SerialError::Kind::PermissionDenied)
                m_refused << error.text();
            continue;
        }
        const QString serial = display.RdSN();
        try {
            port.close();
        } catch (const platform::SerialError &error) {
            qCWarning(lcPortSearch).noquote()
                << "closing COM" + QString::number(number) << ":" << error.text();
        }
        if (CheckSerial(serial)) {
            qCInfo(lcPortSearch).noquote()
                << "scale" << serial << "found on COM" + QString::number(number);
            return true;
        }
        qCInfo(lcPortSearch).noquote() << "COM" + QString::number(number) << "answered"
                                       << (serial.isEmpty() ? QStringLiteral("nothing") : serial);
    }
    return false;
}

bool frmChoosePort::CheckSerial(const QString &Serial) const
{
    return scale::isSerialNumber(Serial);
}

void frmChoosePort::cmdContinue_Click()
{
    // The search lets events run; a second press meanwhile must not start a second search.
    if (m_searching)
        return;
    m_searching = true;
    setCaption(QStringLiteral("Checking Scale Connection to Computer...."));
    setMousePointer(platform::vbHourglass);
    const bool found = DetectPort();
    m_searching = false;

    if (found) {
        Forms::frmWelcome().Show();
        AskExit = false;
        Close();
        return;
    }
    if (!m_refused.isEmpty())
        platform::MsgBox(permissionAdvice(m_refused), platform::mb::Exclamation);
    ErrorPort = true;
    Forms::frmErrorScaleCom2().Show();
    AskExit = false;
    Close();
}
