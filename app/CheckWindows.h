#pragma once

// What the main window does with the maker's answers: the new-version window when the program is
// not the latest, and the blinking banner when an update for the scale is on offer.

// Asks for the latest program version and shows frmVersion when it differs from this one; when
// the question fails, asks whether to try again.
void CheckNewVersion();
// Asks whether an update for the scale is on offer and sets up the main window's banner and its
// blink timer accordingly.
void CheckUpdate();
