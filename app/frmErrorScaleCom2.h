#pragma once

// "Error Communicating with the Scale" after a failed port search or a failed serial-number read:
// Retry goes back to the step that failed, Exit asks the quit question.

#include "platform/Form.h"

#include <QLabel>
#include <QPushButton>

class frmErrorScaleCom2 final : public platform::Form
{
    Q_OBJECT
public:
    frmErrorScaleCom2();

    bool AskExit = false;

    platform::Control<QLabel> lblFailed {this};
    platform::Control<QPushButton> cmdRetry {this};
    platform::Control<QPushButton> cmdExit {this};

    void cmdRetry_Click();
    void cmdExit_Click();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;
};

namespace Forms {
inline ::frmErrorScaleCom2 &frmErrorScaleCom2()
{
    return platform::FormRegistry::get<::frmErrorScaleCom2>();
}
} // namespace Forms
