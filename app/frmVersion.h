#pragma once

// The new-version window: shown when the maker's server reports a program version other than this
// one, it offers the new program's installer through the desktop's browser. Its quit question is
// about the new version's download, and Yes closes only this window.

#include "platform/Form.h"

#include <QLabel>
#include <QPushButton>

class frmVersion final : public platform::Form
{
    Q_OBJECT
public:
    frmVersion();

    // True while closing this window must first be confirmed.
    bool AskExit = false;

    platform::Control<QLabel> lblStatus {this, "lblStatus"};
    platform::Control<QLabel> lblProgVer {this, "lblProgVer"};
    platform::Control<QLabel> lblProg {this, "lblProg"};
    platform::Control<QLabel> lblLatestVer {this, "lblLatestVer"};
    platform::Control<QLabel> lblLatest {this, "lblLatest"};
    platform::Control<QLabel> lblPCProg {this, "lblPCProg"};
    platform::Control<QPushButton> cmdDownloadPCProg {this, "cmdDownloadPCProg"};
    platform::Control<QPushButton> cmdExit {this, "cmdExit"};
    platform::Control<QLabel> Image1 {this, "Image1"};

    void cmdDownloadPCProg_Click();
    void cmdExit_Click();
    // Hands the installer's address to the browser and closes the window.
    void DownloadPCProgram();

Q_SIGNALS:
    // The installer's address went to the browser: the update of the scale is not wanted now.
    void installerOpened();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload(bool &Cancel) override;
};

namespace Forms {
inline ::frmVersion &frmVersion()
{
    return platform::FormRegistry::get<::frmVersion>();
}
} // namespace Forms
