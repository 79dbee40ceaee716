#pragma once

// The last screen of an update: a please-wait line, then, on the eleventh tick of its one-second
// timer after it became active, the success text and Exit. Exit and any close delete the working
// files and end the program, without a question.

#include "platform/Form.h"
#include "platform/Timer.h"

#include <QLabel>
#include <QPushButton>

class frmSuccessUpdate final : public platform::Form
{
    Q_OBJECT
public:
    frmSuccessUpdate();

    platform::Control<QLabel> lblUpdate {this, "lblUpdate"};
    platform::Control<QLabel> lblSuccess {this, "lblSuccess"};
    platform::Control<QPushButton> cmdExit {this, "cmdExit"};
    platform::Control<platform::Timer> Timer1 {this, "Timer1"};

    void Timer1_Timer();
    void cmdExit_Click();
    // Each time the window becomes the active one: hourglass, and the timer starts counting.
    void Form_Activate() override;

    // Ticks of Timer1 so far; kept for the whole run.
    int TickCount = 0;

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;

private:
    void deleteFilesAndEnd();
};

namespace Forms {
inline ::frmSuccessUpdate &frmSuccessUpdate()
{
    return platform::FormRegistry::get<::frmSuccessUpdate>();
}
} // namespace Forms
