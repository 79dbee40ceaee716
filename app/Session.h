#pragma once

// What the wizard knows beyond the life of one window, kept by the flow.

#include <QString>

struct Session
{
    // The serial number the scale answered with at the main window's Update Scale.
    QString serialNumber;
    // The first port search has started (the main window is built with it).
    bool searchedOnce = false;
    // The address the update file was downloaded from.
    QString updateAddress;
    // The program version the maker's server offers instead of this one.
    QString latestVersion;
    // Where the scale was last looked for in vain; Retry on the error window goes back there.
    enum class Step { PortSearch, SerialNumberRead };
    Step scaleMissedAt = Step::PortSearch;
};
