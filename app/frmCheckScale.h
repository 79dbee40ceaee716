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

    platform::Control<QLabel> lblVersion {this};
    platform::Control<QLabel> lblSerial {this};
    platform::Control<QLabel> Image1 {this};
    platform::Control<QLabel> lblCheck {this};
    platform::Control<QLabel> lblLink {this};
    platform::Control<QLineEdit> txtLink {this};
    platform::Control<QPushButton> cmdContinue {this};
    platform::Control<QPushButton> cmdExit {this};

    // Enter in the address box moves the focus to Continue; it does not press it.
    void txtLink_KeyPress(int KeyAscii);
    void cmdContinue_Click();
    void cmdExit_Click();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;

private:
    bool m_downloading = false;
};

namespace Forms {
inline ::frmCheckScale &frmCheckScale()
{
    return platform::FormRegistry::get<::frmCheckScale>();
}
} // namespace Forms
