#pragma once

// The stop screen shown when the internet cannot be reached at start-up.

#include "platform/Form.h"

#include <QLabel>
#include <QPushButton>

class frmNotConnected final : public platform::Form
{
    Q_OBJECT
public:
    frmNotConnected();

    platform::Control<QLabel> lblMessage {this, "lblMessage"};
    platform::Control<QPushButton> cmdOkay {this, "cmdOkay"};

    void cmdOkay_Click();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;
};

namespace Forms {
inline ::frmNotConnected &frmNotConnected()
{
    return platform::FormRegistry::get<::frmNotConnected>();
}
} // namespace Forms
