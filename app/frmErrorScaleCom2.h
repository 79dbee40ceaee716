#pragma once

// "Error Communicating with the Scale" after a failed port search or a failed serial-number read:
// Retry goes back to the step that failed, Exit asks the quit question.

#include "app/ScaleErrorWindow.h"

class frmErrorScaleCom2 final : public ScaleErrorWindow
{
    Q_OBJECT
public:
    frmErrorScaleCom2();

protected:
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;
};

namespace Forms {
inline ::frmErrorScaleCom2 &frmErrorScaleCom2()
{
    return platform::FormRegistry::get<::frmErrorScaleCom2>();
}
} // namespace Forms
