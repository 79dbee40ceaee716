#pragma once

// The new-version window: shown when the maker's server reports a program version other than this
// one. Its flags decide which question the quit window asks.

#include "platform/Form.h"

class frmVersion final : public platform::Form
{
    Q_OBJECT
public:
    frmVersion();

    // True while the new-version window is up and has the focus; every Exit button clears it.
    bool NewVersion = false;
    bool AskExit = false;

protected:
    void build(QWidget *window) override;
};

namespace Forms {
inline ::frmVersion &frmVersion()
{
    return platform::FormRegistry::get<::frmVersion>();
}
} // namespace Forms
