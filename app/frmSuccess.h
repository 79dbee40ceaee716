#pragma once

// "Successful Download": the update file is in the working folder; Update opens the scale's port
// and shows the programming window, which updates the scale by itself.

#include "platform/Form.h"

#include <QLabel>
#include <QPushButton>

class frmSuccess final : public platform::Form
{
    Q_OBJECT
public:
    frmSuccess();

    bool AskExit = false;

    platform::Control<QLabel> lblSuccess {this, "lblSuccess"};
    platform::Control<QPushButton> cmdUpdate {this, "cmdUpdate"};

    void cmdUpdate_Click();

Q_SIGNALS:
    // Update: on to the scale update window.
    void updateRequested();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;
};

namespace Forms {
inline ::frmSuccess &frmSuccess()
{
    return platform::FormRegistry::get<::frmSuccess>();
}
} // namespace Forms
