#pragma once

// "Error Communicating with the Scale" when the scale stops answering while it is programmed or
// read: Retry shows the update window again, which starts the whole update anew; Exit and a
// close by the user ask the quit question.

#include "platform/Form.h"

#include <QLabel>
#include <QPushButton>

class frmErrorScaleCom final : public platform::Form
{
    Q_OBJECT
public:
    frmErrorScaleCom();

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
inline ::frmErrorScaleCom &frmErrorScaleCom()
{
    return platform::FormRegistry::get<::frmErrorScaleCom>();
}
} // namespace Forms
