#pragma once

// What the wizard knows beyond the life of one window, kept by the flow.

#include <QString>

struct Session
{
    // The serial number the scale answered with at the main window's Update Scale.
    QString serialNumber;
    // The first port search has started (the main window loads with it).
    bool searchedOnce = false;
};
