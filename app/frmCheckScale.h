#pragma once

// "Update Scale": shows the scale's serial number and takes the address of the update file;
// Continue downloads it into the working folder and moves on to "Successful Download".

#include "platform/Form.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class frmCheckScale final : public platform::Form
{
    Q_OBJECT
public:
    frmCheckScale();

    // The address typed by the user, trimmed.
    QString Link;
    bool AskExit = false;

    platform::Control<QLabel> lblVersion {this, "lblVersion"};
    platform::Control<QLabel> lblSerial {this, "lblSerial"};
    platform::Control<QLabel> Image1 {this, "Image1"};
    platform::Control<QLabel> lblCheck {this, "lblCheck"};
    platform::Control<QLabel> lblLink {this, "lblLink"};
    platform::Control<QLineEdit> txtLink {this, "txtLink"};
    platform::Control<QPushButton> cmdContinue {this, "cmdContinue"};
    platform::Control<QPushButton> cmdExit {this, "cmdExit"};

    // The serial number the window shows; set before it loads.
    void setSerialNumber(const QString &serial) { m_serialNumber = serial; }

    // Enter in the address box moves the focus to Continue; it does not press it.
    void txtLink_KeyPress(int KeyAscii);
    void cmdContinue_Click();
    void cmdExit_Click();

Q_SIGNALS:
    // The update file is in the working folder.
    void updateFileDownloaded();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;

private:
    QString m_serialNumber;
    bool m_downloading = false;
};

namespace Forms {
inline ::frmCheckScale &frmCheckScale()
{
    return platform::FormRegistry::get<::frmCheckScale>();
}
} // namespace Forms
