#pragma once

// The quit question, always shown modal over the window that asks. It asks about the scale update,
// or, while the new-version window is up, about the new version's download.

#include "platform/Form.h"

#include <QLabel>
#include <QPushButton>

class frmQuit final : public platform::Form
{
    Q_OBJECT
public:
    frmQuit();

    // Set when Yes answered the new-version question; read by the new-version window's close.
    bool CloseWindow = false;

    platform::Control<QLabel> lblQuit {this, "lblQuit"};
    platform::Control<QPushButton> cmdYes {this, "cmdYes"};
    platform::Control<QPushButton> cmdCancel {this, "cmdCancel"};

    void cmdYes_Click();
    void cmdCancel_Click();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void escapePressed() override { cmdCancel_Click(); }
};

namespace Forms {
inline ::frmQuit &frmQuit()
{
    return platform::FormRegistry::get<::frmQuit>();
}
} // namespace Forms
