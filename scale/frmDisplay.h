#pragma once

// "Kovara Scale Update": the screen on which the scale is updated, and the owner of the program's
// one serial port (MSComm1) and of the flash image. Its menus and buttons carry the service tools:
// load the update file, page through the image, choose the flash area, set the serial number,
// choose the port. Other windows reach the scale only through this one; using its port loads it.

#include "platform/Form.h"
#include "scale/FlashImage.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

namespace platform {
class SerialPort;
}
namespace scale {
class ScaleLink;
}

class frmDisplay final : public platform::Form
{
    Q_OBJECT
public:
    frmDisplay();
    ~frmDisplay() override;

    // Link status: false after a reply wait gave up (see ScaleLink).
    bool ScaleCom = false;
    bool AskExit = false;
    // The serial number in use: set by the programming and by the serial-number commands.
    QString CurrentSN;
    scale::FlashImage FlashImage;
    // The page of the image that the page view shows, 0 to 3.
    int PageNo = 0;
    // The text of the shown page, as the page view holds it (lines end CR LF).
    QString PageText;

    platform::Control<QPushButton> LoadHex {this};
    platform::Control<QPushButton> Program {this};
    platform::Control<QPushButton> Read {this};
    platform::Control<QRadioButton> APROM {this};
    platform::Control<QRadioButton> LDROM {this};
    platform::Control<QPushButton> up {this};
    platform::Control<QPushButton> down {this};
    platform::Control<QLabel> Label1 {this};
    platform::Control<QPlainTextEdit> txtPage {this};
    platform::Control<QLabel> lblStatus {this};
    platform::Control<QLabel> lblVersion {this};
    platform::Control<QLabel> Image1 {this};
    platform::Control<QProgressBar> ProgressBar1 {this};

    platform::Control<QMenu> mnuFile {this};
    platform::Control<QAction> mnuLoad {this};
    platform::Control<QAction> mnuFileExit {this};
    platform::Control<QMenu> mnuRun {this};
    platform::Control<QAction> mnuAuto {this};
    platform::Control<QAction> mnuProgram {this};
    platform::Control<QAction> mnuRead {this};
    platform::Control<QMenu> mnuSelect {this};
    platform::Control<QAction> mnuAPROM {this};
    platform::Control<QAction> mnuLDROM {this};
    platform::Control<QMenu> mnuSN {this};
    platform::Control<QAction> mnuSSN {this};
    platform::Control<QAction> mnuRSN {this};
    platform::Control<QMenu> mnuPort {this};
    platform::Control<QAction> mnuComm1 {this};
    platform::Control<QAction> mnuComm2 {this};

    // The serial port to the scale. Using it loads the window, which sets the port up.
    platform::SerialPort &MSComm1();
    // The exchange with the scale on MSComm1; loads the window.
    scale::ScaleLink &link();

    QString RdSN();
    void UpdateSN();
    bool WriteByte(int AddrEE);
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

protected:
    void build(QWidget *window) override;
    void Form_Load() override;

private:
    void TogglePort();
    void selectPort(int number);
    void windowDestroyed();

    std::unique_ptr<platform::SerialPort> m_port;
    std::unique_ptr<scale::ScaleLink> m_link;
};

namespace Forms {
inline ::frmDisplay &frmDisplay()
{
    return platform::FormRegistry::get<::frmDisplay>();
}
} // namespace Forms
