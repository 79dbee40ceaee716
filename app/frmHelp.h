#pragma once

// "Kovara PC Program Help": how an update goes, step by step, and a link to the product's web
// page. The main window minimises itself while help is open; closing help restores it.

#include "platform/Form.h"

#include <QLabel>
#include <QPushButton>

class frmHelp final : public platform::Form
{
    Q_OBJECT
public:
    frmHelp();

    platform::Control<QLabel> lblHelp1 {this, "lblHelp1"};
    platform::Control<QLabel> lblHelp2 {this, "lblHelp2"};
    platform::Control<QLabel> lblHelp3 {this, "lblHelp3"};
    platform::Control<QLabel> lblHelp4 {this, "lblHelp4"};
    platform::Control<QLabel> lblhelp5 {this, "lblhelp5"};
    platform::Control<QLabel> lblUpdate {this, "lblUpdate"};
    platform::Control<QLabel> lblUpdate2 {this, "lblUpdate2"};
    platform::Control<QLabel> lblFormore {this, "lblFormore"};
    platform::Control<QLabel> lblWebsite {this, "lblWebsite"};
    platform::Control<QPushButton> cmdClose {this, "cmdClose"};

    void cmdClose_Click();
    void lblWebsite_Click();

    // A help text as the program words it, where a run of blanks ends a line, laid out with
    // those line ends.
    static QString layOut(const QString &text);

Q_SIGNALS:
    // The window closed: the main window under it comes back.
    void closed();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;
    void escapePressed() override { cmdClose_Click(); }
    bool eventFilter(QObject *watched, QEvent *event) override;
};

namespace Forms {
inline ::frmHelp &frmHelp()
{
    return platform::FormRegistry::get<::frmHelp>();
}
} // namespace Forms
