#pragma once

// The main window: the version line, the update banner and the buttons that start the scale
// update, show help, open the manual and leave. It holds much of the program-wide state.

#include "platform/Form.h"

#include <QLabel>
#include <QPushButton>

class frmWelcome final : public platform::Form
{
    Q_OBJECT
public:
    frmWelcome();

    // True while the download engine must run without showing its window (the banner fetch).
    bool HideForm = false;
    // The serial number read at Update Scale.
    QString KovaraSN;
    // True once the program-version check has run in this run of the program.
    bool UpdateShown = false;
    // True when Update Scale could not read the serial number.
    bool ErrorScale = false;
    bool AskExit = false;

    platform::Control<QLabel> lblWelcome {this};
    platform::Control<QLabel> lblVersion {this};
    platform::Control<QPushButton> cmdUpdate {this};
    platform::Control<QPushButton> cmdDownload {this};
    platform::Control<QPushButton> cmdHelp {this};
    platform::Control<QPushButton> cmdExit {this};

protected:
    void build(QWidget *window) override;
    void Form_Load() override;

private:
    void InitForm();
};

namespace Forms {
inline ::frmWelcome &frmWelcome()
{
    return platform::FormRegistry::get<::frmWelcome>();
}
} // namespace Forms
