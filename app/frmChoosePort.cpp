#include "app/frmChoosePort.h"

#include "app/QuitQuestion.h"
#include "device/PortList.h"
#include "platform/Dialogs.h"
#include "platform/Look.h"
#include "platform/SerialPort.h"

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
    wizard::confirmQuit(window());
}

void frmChoosePort::EnumPorts()
{
    const QStringList names = platform::serialSystem().portNames();
    PortNumbers = device::portNumbers(names);
    qCInfo(lcPortSearch).noquote()
        << "serial ports:" << names.join(QLatin1Char(' ')) << "-> search order" << PortNumbers;
}

void frmChoosePort::DetectPort()
{
    device::ScaleProgrammer &scale = *m_scale;
    m_refused.clear();
    connect(&scale,
            &device::ScaleProgrammer::searchEnded,
            this,
            &frmChoosePort::searchEnded,
            Qt::SingleShotConnection);
    scale.findScale(PortNumbers);
}

void frmChoosePort::cmdContinue_Click()
{
    // A second press while the search runs must not start a second search.
    if (m_searching)
        return;
    m_searching = true;
    setCaption(QStringLiteral("Checking Scale Connection to Computer...."));
    setMousePointer(platform::vbHourglass);
    Q_EMIT searchRequested();
}

void frmChoosePort::searchEnded(const device::ScaleSearch &search)
{
    m_searching = false;
    m_refused = search.refused;
    if (search.found) {
        Q_EMIT scaleFound();
        return;
    }
    if (!m_refused.isEmpty())
        platform::MsgBox(permissionAdvice(m_refused), platform::mb::Exclamation);
    Q_EMIT scaleMissing();
}
