#pragma once

// "Update Scale": shows the scale's serial number and takes the address of the update file.

#include "platform/Form.h"

class frmCheckScale final : public platform::Form
{
    Q_OBJECT
public:
    frmCheckScale();

    // The address typed by the user, trimmed.
    QString Link;
    bool AskExit = false;

protected:
    void build(QWidget *window) override;
};

namespace Forms {
inline ::frmCheckScale &frmCheckScale()
{
    return platform::FormRegistry::get<::frmCheckScale>();
}
} // namespace Forms
