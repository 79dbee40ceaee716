#pragma once

// "Error Communicating with the Scale" when the scale stops answering while it is programmed or
// read: Retry shows the update window again, which starts the whole update anew; Exit and a
// close by the user ask the quit question.

#include "app/ScaleErrorWindow.h"

class frmErrorScaleCom final : public ScaleErrorWindow
{
    Q_OBJECT
public:
    frmErrorScaleCom();
};

namespace Forms {
inline ::frmErrorScaleCom &frmErrorScaleCom()
{
    return platform::FormRegistry::get<::frmErrorScaleCom>();
}
} // namespace Forms
