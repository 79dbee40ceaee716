#pragma once

// "Connect Scale to Computer": asks the user to connect the scale, then searches the serial ports
// for it.

#include "platform/Form.h"

#include <QLabel>
#include <QPushButton>
#include <QStringList>

class frmChoosePort final : public platform::Form
{
    Q_OBJECT
public:
    frmChoosePort();

    // True once a port search has failed; cleared when the error window closes.
    bool ErrorPort = false;
    bool AskExit = false;

    platform::Control<QLabel> lblChoose{this};
    platform::Control<QPushButton> cmdContinue{this};

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;
};

namespace Forms {
inline ::frmChoosePort &frmChoosePort()
{
    return platform::FormRegistry::get<::frmChoosePort>();
}
} // namespace Forms
