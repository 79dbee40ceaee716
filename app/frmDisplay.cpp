#include "app/frmDisplay.h"

#include "app/ProgramVersion.h"
#include "app/QuitQuestion.h"
#include "core/HexLoader.h"
#include "device/ScaleIdentity.h"
#include "device/ScaleProgrammer.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Look.h"
#include "platform/SerialPort.h"
#include "platform/Services.h"

#include <QEvent>
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
    window->installEventFilter(this);

    auto *menuBar = new QMenuBar(window);
    menuBar->setGeometry(0, 0, 640, 24);

    auto *file = menuBar->addMenu(QStringLiteral("&File"));
    mnuFile.set(file);
    mnuLoad.set(addItem(file, QStringLiteral("&Load ")));
    connect(mnuLoad.peek(), &QAction::triggered, this, [this] { mnuLoad_Click(); });
    mnuFileExit.set(addItem(file, QStringLiteral("E&xit")));
    connect(mnuFileExit.peek(), &QAction::triggered, this, &frmDisplay::mnuFileExit_Click);

    auto *run = menuBar->addMenu(QStringLiteral("&Run"));
    mnuRun.set(run);
    mnuAuto.set(addItem(run, QStringLiteral("&Auto")));
    mnuProgram.set(addItem(run, QStringLiteral("&Program")));
    connect(mnuProgram.peek(), &QAction::triggered, this, &frmDisplay::mnuProgram_Click);
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
    connect(program, &QPushButton::clicked, this, &frmDisplay::Program_Click);

    auto *read = new QPushButton(QStringLiteral("Read"), window);
    read->setGeometry(216, 64, 90, 28);
    Read.set(read);
    connect(read, &QPushButton::clicked, this, &frmDisplay::Read_Click);

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

    auto *line = new QLabel(window);
    line->setGeometry(16, 151, 410, 18);
    line->setVisible(false);
    lblProgress.set(line);

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
    look::paint({window(), lblStatus.get(), lblVersion.get(), lblProgress.get()});
    lblVersion->setText(programVersionLine());
    AskExit = true;
    m_autoRunStarted = false;
    centerOnScreen();
    CurrentSN.clear();
    m_scale->configure(platform::SerialSettings {});
    FlashImage.erase();
    UpdateSN();
    PageNo = 0;
    up->setEnabled(false);
    down->setEnabled(true);
    ShowPage();
    mnuAPROM_Click();
}

void frmDisplay::setScale(device::ScaleProgrammer &programmer)
{
    m_scale = &programmer;
    device::ScaleProgrammer *scale = m_scale.data();
    connect(scale, &device::ScaleProgrammer::serialNumberUsed, this, [this](const QString &serial) {
        CurrentSN = serial;
        UpdateSN();
    });
    connect(scale, &device::ScaleProgrammer::busyChanged, this, &frmDisplay::setHourglass);
    connect(scale, &device::ScaleProgrammer::progressShown, this, &frmDisplay::showProgress);
    connect(scale, &device::ScaleProgrammer::progressChanged, this, &frmDisplay::setProgress);
    connect(
        scale, &device::ScaleProgrammer::progressLineChanged, this, &frmDisplay::setProgressLine);
    connect(scale, &device::ScaleProgrammer::progressHidden, this, &frmDisplay::hideProgress);
    connect(scale, &device::ScaleProgrammer::runEnded, this, &frmDisplay::runEnded);
    connect(scale, &device::ScaleProgrammer::areaRead, this, &frmDisplay::areaRead);
    connect(
        scale, &device::ScaleProgrammer::serialNumberStored, this, &frmDisplay::serialNumberStored);
}

void frmDisplay::windowDestroyed()
{
    // The port closes with the window.
    if (m_scale)
        m_scale->close();
}

void frmDisplay::UpdateSN()
{
    device::writeSerialNumber(FlashImage, CurrentSN);
}

void frmDisplay::mnuRSN_Click()
{
    if (ignoredDuringRun("Register SN"))
        return;
    if (const auto serial = askSerialNumber()) {
        CurrentSN = *serial;
        UpdateSN();
    }
}

void frmDisplay::mnuSSN_Click()
{
    if (ignoredDuringRun("Change SN"))
        return;
    const auto serial = askSerialNumber();
    if (!serial)
        return;
    CurrentSN = *serial;
    UpdateSN();
    // Each byte may wait up to twice ten seconds for a silent scale.
    m_operation = Operation::StoringSerial;
    setMousePointer(platform::vbHourglass);
    m_scale->storeSerialNumber(FlashImage);
}

void frmDisplay::serialNumberStored(bool ok, bool timedOut)
{
    m_operation = Operation::None;
    setMousePointer(platform::vbDefault);
    if (ok)
        platform::MsgBox(QStringLiteral("Modify Password successfully"));
    else
        platform::MsgBox(timedOut ? QStringLiteral("Timer Out") : QStringLiteral("Error"),
                         platform::mb::OKOnly);
}

std::optional<QString> frmDisplay::askSerialNumber()
{
    for (;;) {
        const QString answer = platform::InputBox(QStringLiteral("Input Serial Number "));
        if (answer.isEmpty())
            return std::nullopt;
        if (device::isSerialNumber(answer))
            return answer;
        platform::MsgBox(QStringLiteral("input wrong"), platform::mb::OKOnly);
    }
}

bool frmDisplay::mnuLoad_Click()
{
    if (ignoredDuringRun("Load"))
        return false;
    const QString path = platform::workingFile(QString::fromLatin1(platform::kUpdateFileName));
    const core::HexLoadResult result = core::loadIntelHexFile(path, FlashImage);
    setMousePointer(platform::vbDefault);
    if (!result.ok) {
        qCWarning(lcDisplay).noquote() << "update file" << path << "refused:" << result.message();
        platform::MsgBox(result.message(), platform::mb::OKOnly | platform::mb::Exclamation);
        return false;
    }
    qCInfo(lcDisplay).noquote() << "update file" << path << "loaded," << result.dataRecords
                                << "data records";
    const quint8 marker = FlashImage.at(core::FlashImage::kAreaMarkerAddress);
    if (marker == core::FlashImage::kApromMarker)
        mnuAPROM_Click();
    else if (marker == core::FlashImage::kLdromMarker)
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
    PageText = core::pageText(FlashImage, PageNo);
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
    if (ignoredDuringRun("PC Port"))
        return;
    device::ScaleProgrammer &port = scale();
    port.close();
    port.setPortNumber(number);
    mnuComm1->setText(number == 1 ? QStringLiteral("-> COM1 <-") : QStringLiteral("   COM1   "));
    mnuComm2->setText(number == 2 ? QStringLiteral("-> COM2 <-") : QStringLiteral("   COM2   "));
    TogglePort();
}

void frmDisplay::TogglePort()
{
    device::ScaleProgrammer &port = scale();
    if (port.isOpen()) {
        port.close();
        return;
    }
    if (const auto error = port.open()) {
        qCWarning(lcDisplay).noquote() << "COM" << port.portNumber() << ":" << error->text();
        platform::MsgBox(error->text(), platform::mb::Exclamation);
    }
}

bool frmDisplay::ignoredDuringRun(const char *command) const
{
    if (!running())
        return false;
    qCInfo(lcDisplay) << command << "ignored: the scale is being programmed or read";
    return true;
}

void frmDisplay::Form_Activate()
{
    if (m_autoRunStarted || running())
        return;
    m_autoRunStarted = true;
    AutoProgram();
}

bool frmDisplay::eventFilter(QObject *watched, QEvent *event)
{
    // Hidden by the program (not minimised by the user): the next showing runs the update again.
    if (event->type() == QEvent::Hide && !event->spontaneous() && watched == windowIfLoaded())
        m_autoRunStarted = false;
    return Form::eventFilter(watched, event);
}

void frmDisplay::AutoProgram()
{
    qCInfo(lcDisplay) << "automatic update run";
    lblStatus->setText(QStringLiteral("Updating scale with latest postage rates and services..."));
    if (!mnuLoad_Click())
        return;
    Program_Click();
}

void frmDisplay::Program_Click()
{
    if (ignoredDuringRun("Program"))
        return;
    m_operation = Operation::Programming;
    // Reading the serial number may take ten seconds on a silent scale.
    setMousePointer(platform::vbHourglass);
    scale().update(FlashImage);
}

void frmDisplay::Read_Click()
{
    if (ignoredDuringRun("Read"))
        return;
    const bool aprom = APROM->isChecked();
    m_operation = aprom ? Operation::ReadAprom : Operation::ReadLdrom;
    FlashImage.erase();
    setMousePointer(platform::vbHourglass);
    if (aprom)
        UpdateSN();
    scale().readArea(aprom ? device::FlashArea::Aprom : device::FlashArea::Ldrom, FlashImage);
}

void frmDisplay::Form_Unload(bool &Cancel)
{
    if (AskExit) {
        Cancel = true;
        wizard::confirmQuit(window());
    }
}

void frmDisplay::mnuFileExit_Click()
{
    bool cancel = false;
    Form_Unload(cancel);
}

void frmDisplay::setHourglass(bool on)
{
    if (isLoaded())
        setMousePointer(on ? platform::vbHourglass : platform::vbDefault);
}

void frmDisplay::showProgress(int maximum)
{
    QProgressBar *bar = ProgressBar1.peek();
    QLabel *line = lblProgress.peek();
    if (!bar || !line)
        return;
    bar->setRange(0, maximum);
    bar->setValue(0);
    bar->setVisible(true);
    line->clear();
    line->setVisible(true);
}

void frmDisplay::setProgress(int value)
{
    if (QProgressBar *bar = ProgressBar1.peek())
        bar->setValue(value);
}

void frmDisplay::hideProgress()
{
    if (QProgressBar *bar = ProgressBar1.peek())
        bar->setVisible(false);
    if (QLabel *line = lblProgress.peek())
        line->setVisible(false);
}

void frmDisplay::setProgressLine(const QString &text)
{
    if (QLabel *line = lblProgress.peek())
        line->setText(text);
}

void frmDisplay::showFirstPage()
{
    PageNo = 0;
    up->setEnabled(false);
    down->setEnabled(true);
    ShowPage();
}

void frmDisplay::failurePath()
{
    Q_EMIT scaleLost();
}

void frmDisplay::runEnded(device::RunOutcome outcome)
{
    using device::RunOutcome;
    if (outcome == RunOutcome::Done) {
        m_operation = Operation::None;
        platform::deleteFile(platform::workingFile(QString::fromLatin1(platform::kUpdateFileName)));
        Q_EMIT scaleUpdated();
    } else if (outcome == RunOutcome::SerialRefused) {
        // The window stays for the service tools: it must look and act ready.
        setMousePointer(platform::vbDefault);
        hideProgress();
        platform::MsgBox(QStringLiteral("Serial number wrong"));
        m_operation = Operation::None;
    } else {
        m_operation = Operation::None;
        failurePath();
    }
}

void frmDisplay::areaRead(device::RunOutcome outcome, const core::FlashImage &image)
{
    using device::RunOutcome;
    const bool aprom = m_operation == Operation::ReadAprom;
    FlashImage = image;
    setMousePointer(platform::vbDefault);
    if (outcome == RunOutcome::Done) {
        showFirstPage();
        platform::MsgBox(aprom ? QStringLiteral("APROM Read successfully")
                               : QStringLiteral("LDROM Read suceessfully"));
    } else if (outcome == RunOutcome::SerialRefused) {
        platform::MsgBox(QStringLiteral("Serial number wrong"));
    } else if (outcome == RunOutcome::ScaleLost && aprom) {
        failurePath();
    }
    m_operation = Operation::None;
}
