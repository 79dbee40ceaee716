#pragma once

// The start-up screen: shows the program's version, checks that the internet can be reached, and
// opens the port search.

#include "app/ProgramVersion.h"
#include "platform/Form.h"
#include "platform/Timer.h"

#include <QLabel>

class frmStartUp final : public platform::Form
{
    Q_OBJECT
public:
    frmStartUp();

    // The program's version text, shown on this screen.
    QString VersionNum = programVersionText();
    bool AskExit = false;

    platform::Control<QLabel> lblTitle {this, "lblTitle"};
    platform::Control<QLabel> lblVersion {this, "lblVersion"};
    platform::Control<QLabel> lblDurix {this, "lblDurix"};
    platform::Control<QLabel> lblLoading {this, "lblLoading"};
    platform::Control<platform::Timer> Timer1 {this, "Timer1"};

    void Timer1_Timer();

    // The start-up counter of Timer1's handler; kept for the whole run.
    int startUpCounter() const { return m_counter; }

Q_SIGNALS:
    // The third tick: the start-up is over.
    void internetReached();
    // The probe got no answer; the start-up stops.
    void internetMissing();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;

private:
    void probeEnded(bool reachable);

    int m_counter = 0;
    // The internet probe is running: ticks are dropped and a close waits for its end.
    bool m_probing = false;
    bool m_closeWaiting = false;
};

namespace Forms {
inline ::frmStartUp &frmStartUp()
{
    return platform::FormRegistry::get<::frmStartUp>();
}
} // namespace Forms
