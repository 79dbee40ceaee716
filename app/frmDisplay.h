#pragma once

// "Kovara Scale Update": the screen on which the scale is updated, and the owner of the program's
// one serial port (through its ScaleProgrammer) and of the flash image. Its menus and buttons carry
// the service tools: load the update file, program, read back, page through the image, choose the
// flash area, set the serial number, choose the port. Other windows reach the scale only through
// this one; using its port loads it.
//
// Shown by the wizard, it runs the whole update on its own once it becomes the active window:
// once per showing, so a user switching windows during a run does not start a second one. While
// an exchange with the scale is in progress (it runs on the programmer's thread) the commands
// that would start another one, change the image or move the port are ignored.

#include "core/FlashImage.h"
#include "device/RunObserver.h"
#include "platform/Form.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <memory>
#include <optional>

namespace device {
class ScaleProgrammer;
}

class frmDisplay final : public platform::Form
{
    Q_OBJECT
public:
    frmDisplay();
    ~frmDisplay() override;

    bool AskExit = false;
    // The serial number in use: set by the programming and by the serial-number commands.
    QString CurrentSN;
    core::FlashImage FlashImage;
    // The page of the image that the page view shows, 0 to 3.
    int PageNo = 0;
    // The text of the shown page, as the page view holds it (lines end CR LF).
    QString PageText;

    platform::Control<QPushButton> LoadHex {this, "LoadHex"};
    platform::Control<QPushButton> Program {this, "Program"};
    platform::Control<QPushButton> Read {this, "Read"};
    platform::Control<QRadioButton> APROM {this, "APROM"};
    platform::Control<QRadioButton> LDROM {this, "LDROM"};
    platform::Control<QPushButton> up {this, "up"};
    platform::Control<QPushButton> down {this, "down"};
    platform::Control<QLabel> Label1 {this, "Label1"};
    platform::Control<QPlainTextEdit> txtPage {this, "txtPage"};
    platform::Control<QLabel> lblStatus {this, "lblStatus"};
    platform::Control<QLabel> lblVersion {this, "lblVersion"};
    platform::Control<QLabel> Image1 {this, "Image1"};
    platform::Control<QProgressBar> ProgressBar1 {this, "ProgressBar1"};
    // Under the bar: the phase, the block and the time left.
    platform::Control<QLabel> lblProgress {this, "lblProgress"};

    platform::Control<QMenu> mnuFile {this, "mnuFile"};
    platform::Control<QAction> mnuLoad {this, "mnuLoad"};
    platform::Control<QAction> mnuFileExit {this, "mnuFileExit"};
    platform::Control<QMenu> mnuRun {this, "mnuRun"};
    platform::Control<QAction> mnuAuto {this, "mnuAuto"};
    platform::Control<QAction> mnuProgram {this, "mnuProgram"};
    platform::Control<QAction> mnuRead {this, "mnuRead"};
    platform::Control<QMenu> mnuSelect {this, "mnuSelect"};
    platform::Control<QAction> mnuAPROM {this, "mnuAPROM"};
    platform::Control<QAction> mnuLDROM {this, "mnuLDROM"};
    platform::Control<QMenu> mnuSN {this, "mnuSN"};
    platform::Control<QAction> mnuSSN {this, "mnuSSN"};
    platform::Control<QAction> mnuRSN {this, "mnuRSN"};
    platform::Control<QMenu> mnuPort {this, "mnuPort"};
    platform::Control<QAction> mnuComm1 {this, "mnuComm1"};
    platform::Control<QAction> mnuComm2 {this, "mnuComm2"};

    // The scale's port and the exchanges with it, the flow's; set once, before the window loads.
    void setScale(device::ScaleProgrammer &scale);
    device::ScaleProgrammer &scale() { return *m_scale; }

    void UpdateSN();
    void mnuRSN_Click();
    void mnuSSN_Click();

    // Loads the update file into the image; false (and a message) when the file is refused.
    bool mnuLoad_Click();
    void LoadHex_Click() { mnuLoad_Click(); }
    void mnuAPROM_Click();
    void mnuLDROM_Click();
    void APROM_Click() { mnuAPROM_Click(); }
    void LDROM_Click() { mnuLDROM_Click(); }
    void ShowPage();
    void up_Click();
    void down_Click();

    void mnuComm1_Click();
    void mnuComm2_Click();

    // Reads the serial number from the scale, puts it into the image, programs and verifies it,
    // then hands over to the success or the scale-error screen.
    void Program_Click();
    void mnuProgram_Click() { Program_Click(); }
    // Reads the selected flash area of the scale into the image.
    void Read_Click();
    // The whole update: load the update file, then Program_Click.
    void AutoProgram();
    void mnuFileExit_Click();
    // The window became the active one: the automatic run, once per showing.
    void Form_Activate() override;

    // True while an exchange with the scale that the window started is in progress.
    bool running() const { return m_operation != Operation::None; }

Q_SIGNALS:
    // Every block programmed and verified (the update file is deleted).
    void scaleUpdated();
    // The scale stopped answering in the update or the application area's read-back.
    void scaleLost();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Operation { None, Programming, ReadAprom, ReadLdrom, StoringSerial };

    void setHourglass(bool on);
    void showProgress(int maximum);
    void setProgress(int value);
    void hideProgress();
    void setProgressLine(const QString &text);
    void runEnded(device::RunOutcome outcome);
    void areaRead(device::RunOutcome outcome, const core::FlashImage &image);
    void serialNumberStored(bool ok, bool timedOut);
    // Asks for a serial number until the user gives 8 digits (telling "input wrong" otherwise)
    // or gives nothing; nothing means the command ends.
    std::optional<QString> askSerialNumber();

    // True (and logged) when a run is in progress and the command must wait.
    bool ignoredDuringRun(const char *command) const;
    void showFirstPage();
    // The scale stopped answering: the scale-error screen takes over.
    void failurePath();

    void TogglePort();
    void selectPort(int number);
    void windowDestroyed();

    QPointer<device::ScaleProgrammer> m_scale;
    Operation m_operation = Operation::None;
    // The automatic run has started since the window was last shown.
    bool m_autoRunStarted = false;
};

namespace Forms {
inline ::frmDisplay &frmDisplay()
{
    return platform::FormRegistry::get<::frmDisplay>();
}
} // namespace Forms
