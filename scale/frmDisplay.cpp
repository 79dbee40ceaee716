#include "scale/frmDisplay.h"

#include "app/frmWelcome.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Look.h"
#include "platform/SerialPort.h"
#include "scale/HexLoader.h"
#include "scale/ScaleIdentity.h"
#include "scale/ScaleLink.h"

#include <QFontDatabase>
#include <QMenuBar>

Q_LOGGING_CATEGORY(lcDisplay, "kovara.scale")

namespace {

QAction *addItem(QMenu *menu, const QString &caption)
{
    return menu->addAction(caption);
}

} // namespace

frmDisplay::frmDisplay()
    : Form(QStringLiteral("frmDisplay"))
{ }

frmDisplay::~frmDisplay()
{
    // The window may outlive this part of the object; its end must not call back here.
    if (QWidget *window = windowIfLoaded())
        disconnect(window, nullptr, this, nullptr);
}

void frmDisplay::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Kovara Scale Update"));
    window->setFixedSize(640, 600);
    connect(window, &QObject::destroyed, this, &frmDisplay::windowDestroyed);

    auto *menuBar = new QMenuBar(window);
    menuBar->setGeometry(0, 0, 640, 24);

    auto *file = menuBar->addMenu(QStringLiteral("&File"));
    mnuFile.set(file);
    mnuLoad.set(addItem(file, QStringLiteral("&Load ")));
    connect(mnuLoad.peek(), &QAction::triggered, this, [this] { mnuLoad_Click(); });
    mnuFileExit.set(addItem(file, QStringLiteral("E&xit")));

    auto *run = menuBar->addMenu(QStringLiteral("&Run"));
    mnuRun.set(run);
    mnuAuto.set(addItem(run, QStringLiteral("&Auto")));
    mnuProgram.set(addItem(run, QStringLiteral("&Program")));
    mnuRead.set(addItem(run, QStringLiteral("&Read")));

    auto *select = menuBar->addMenu(QStringLiteral("&Select"));
    mnuSelect.set(select);
    mnuAPROM.set(addItem(select, QStringLiteral("APROM")));
    connect(mnuAPROM.peek(), &QAction::triggered, this, &frmDisplay::mnuAPROM_Click);
    mnuLDROM.set(addItem(select, QStringLiteral("LDROM")));
    connect(mnuLDROM.peek(), &QAction::triggered, this, &frmDisplay::mnuLDROM_Click);

    auto *serial = menuBar->addMenu(QStringLiteral("Serial Number"));
    mnuSN.set(serial);
    mnuSSN.set(addItem(serial, QStringLiteral("Change SN")));
    connect(mnuSSN.peek(), &QAction::triggered, this, &frmDisplay::mnuSSN_Click);
    mnuRSN.set(addItem(serial, QStringLiteral("Register SN")));
    connect(mnuRSN.peek(), &QAction::triggered, this, &frmDisplay::mnuRSN_Click);

    auto *port = menuBar->addMenu(QStringLiteral("&PC Port"));
    mnuPort.set(port);
    mnuComm1.set(addItem(port, QStringLiteral("COM1")));
    connect(mnuComm1.peek(), &QAction::triggered, this, &frmDisplay::mnuComm1_Click);
    mnuComm2.set(addItem(port, QStringLiteral("COM2")));
    connect(mnuComm2.peek(), &QAction::triggered, this, &frmDisplay::mnuComm2_Click);

    auto *version = new QLabel(window);
    version->setGeometry(16, 34, 400, 22);
    lblVersion.set(version);

    auto *picture = new QLabel(window);
    picture->setGeometry(440, 34, 184, 96);
    Image1.set(picture);

    auto *load = new QPushButton(QStringLiteral("Load"), window);
    load->setGeometry(16, 64, 90, 28);
    LoadHex.set(load);
    connect(load, &QPushButton::clicked, this, &frmDisplay::LoadHex_Click);

    auto *program = new QPushButton(QStringLiteral("Program"), window);
    program->setGeometry(116, 64, 90, 28);
    Program.set(program);

    auto *read = new QPushButton(QStringLiteral("Read"), window);
    read->setGeometry(216, 64, 90, 28);
    Read.set(read);

    auto *aprom = new QRadioButton(QStringLiteral("APROM"), window);
    aprom->setGeometry(320, 62, 100, 20);
    APROM.set(aprom);
    connect(aprom, &QRadioButton::clicked, this, &frmDisplay::APROM_Click);

    auto *ldrom = new QRadioButton(QStringLiteral("LDROM"), window);
    ldrom->setGeometry(320, 84, 100, 20);
    LDROM.set(ldrom);
    connect(ldrom, &QRadioButton::clicked, this, &frmDisplay::LDROM_Click);

    auto *status = new QLabel(window);
    status->setGeometry(16, 104, 410, 22);
    lblStatus.set(status);

    auto *progress = new QProgressBar(window);
    progress->setGeometry(16, 132, 410, 18);
    progress->setVisible(false);
    ProgressBar1.set(progress);

    auto *pageUp = new QPushButton(QStringLiteral("Page   up"), window);
    pageUp->setGeometry(440, 138, 88, 26);
    up.set(pageUp);
    connect(pageUp, &QPushButton::clicked, this, &frmDisplay::up_Click);

    auto *pageDown = new QPushButton(QStringLiteral("Page down"), window);
    pageDown->setGeometry(536, 138, 88, 26);
    down.set(pageDown);
    connect(pageDown, &QPushButton::clicked, this, &frmDisplay::down_Click);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto *header = new QLabel(
        QStringLiteral("ADDR   0  1  2  3  4  5  6  7- 8  9  A  B  C  D  E  F "), window);
    header->setGeometry(20, 172, 600, 20);
    header->setFont(fixed);
    Label1.set(header);

    auto *page = new QPlainTextEdit(window);
    page->setGeometry(16, 192, 608, 392);
    page->setReadOnly(true);
    page->setFont(fixed);
    page->setLineWrapMode(QPlainTextEdit::NoWrap);
    page->setAccessibleName(QStringLiteral("Flash page"));
    txtPage.set(page);
}

void frmDisplay::Form_Load()
{
    look::paint({window(), lblStatus.get(), lblVersion.get()});
    lblVersion->setText(Forms::frmWelcome().lblVersion->text());
    AskExit = true;
    centerOnScreen();
    CurrentSN.clear();
    if (!m_port) {
        m_port = platform::serialSystem().createPort();
        m_link = std::make_unique<scale::ScaleLink>(*m_port, ScaleCom);
    }
    try {
        m_port->configure(platform::SerialSettings {});
    } catch (const std::exception &error) {
        qCWarning(lcDisplay) << "port settings not applied:" << error.what();
    }
    FlashImage.erase();
    UpdateSN();
    PageNo = 0;
    up->setEnabled(false);
    down->setEnabled(true);
    ShowPage();
    mnuAPROM_Click();
}

void frmDisplay::windowDestroyed()
{
    // The port closes with the window.
    if (!m_port || !m_port->isOpen())
        return;
    try {
        m_port->close();
    } catch (const std::exception &error) {
        qCWarning(lcDisplay) << "closing the port:" << error.what();
    }
}

platform::SerialPort &frmDisplay::MSComm1()
{
    Load();
    return *m_port;
}

scale::ScaleLink &frmDisplay::link()
{
    Load();
    return *m_link;
}

QString frmDisplay::RdSN()
{
    return scale::readSerialNumber(link());
}

void frmDisplay::UpdateSN()
{
    scale::writeSerialNumber(FlashImage, CurrentSN);
}

bool frmDisplay::WriteByte(int AddrEE)
{
    return scale::writeByte(link(), FlashImage, quint16(AddrEE));
}

void frmDisplay::mnuRSN_Click()
{
    if (const auto serial = scale::askSerialNumber()) {
        CurrentSN = *serial;
        UpdateSN();
    }
}

void frmDisplay::mnuSSN_Click()
{
    const auto serial = scale::askSerialNumber();
    if (!serial)
        return;
    CurrentSN = *serial;
    UpdateSN();
    // Each byte may wait up to twice ten seconds for a silent scale.
    setMousePointer(platform::vbHourglass);
    bool written = true;
    for (int address = scale::FlashImage::kSerialAddress;
         written && address < scale::FlashImage::kSerialAddress + 4;
         ++address) {
        written = WriteByte(address);
    }
    setMousePointer(platform::vbDefault);
    if (written)
        platform::MsgBox(QStringLiteral("Modify Password successfully"));
}

bool frmDisplay::mnuLoad_Click()
{
    const QString path = platform::workingFile(QString::fromLatin1(platform::kUpdateFileName));
    const scale::HexLoadResult result = scale::loadIntelHexFile(path, FlashImage);
    setMousePointer(platform::vbDefault);
    if (!result.ok) {
        qCWarning(lcDisplay).noquote() << "update file" << path << "refused:" << result.message();
        platform::MsgBox(result.message(), platform::mb::OKOnly | platform::mb::Exclamation);
        return false;
    }
    qCInfo(lcDisplay).noquote() << "update file" << path << "loaded," << result.dataRecords
                                << "data records";
    const quint8 marker = FlashImage.at(scale::FlashImage::kAreaMarkerAddress);
    if (marker == scale::FlashImage::kApromMarker)
        mnuAPROM_Click();
    else if (marker == scale::FlashImage::kLdromMarker)
        mnuLDROM_Click();
    UpdateSN();
    PageNo = 0;
    up->setEnabled(false);
    down->setEnabled(true);
    ShowPage();
    return true;
}

void frmDisplay::mnuAPROM_Click()
{
    APROM->setChecked(true);
    LDROM->setChecked(false);
    mnuAPROM->setText(QStringLiteral("->APROM<-"));
    mnuLDROM->setText(QStringLiteral("  LDROM  "));
}

void frmDisplay::mnuLDROM_Click()
{
    mnuAPROM->setText(QStringLiteral("  APROM  "));
    mnuLDROM->setText(QStringLiteral("->LDROM<-"));
    APROM->setChecked(false);
    LDROM->setChecked(true);
}

void frmDisplay::ShowPage()
{
    PageText = scale::pageText(FlashImage, PageNo);
    QString shown = PageText;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtPage->setPlainText(shown);
}

void frmDisplay::up_Click()
{
    down->setEnabled(true);
    PageNo -= 1;
    if (PageNo == 0)
        up->setEnabled(false);
    ShowPage();
}

void frmDisplay::down_Click()
{
    up->setEnabled(true);
    PageNo += 1;
    if (PageNo == 3)
        down->setEnabled(false);
    ShowPage();
}

void frmDisplay::mnuComm1_Click()
{
    selectPort(1);
}

void frmDisplay::mnuComm2_Click()
{
    selectPort(2);
}

void frmDisplay::selectPort(int number)
{
    platform::SerialPort &port = MSComm1();
    // Errors of these steps are of no consequence: the open below reports what matters.
    try {
        port.close();
    } catch (const std::exception &) { }
    try {
        port.setCommPort(number);
    } catch (const std::exception &) { }
    mnuComm1->setText(number == 1 ? QStringLiteral("-> COM1 <-") : QStringLiteral("   COM1   "));
    mnuComm2->setText(number == 2 ? QStringLiteral("-> COM2 <-") : QStringLiteral("   COM2   "));
    TogglePort();
}

void frmDisplay::TogglePort()
{
    platform::SerialPort &port = MSComm1();
    try {
        if (port.isOpen())
            port.close();
        else
            port.open();
    } catch (const platform::SerialError &error) {
        qCWarning(lcDisplay).noquote() << "COM" << port.commPort() << ":" << error.text();
        platform::MsgBox(error.text(), platform::mb::Exclamation);
    }
}
