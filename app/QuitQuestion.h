#pragma once

// The program's quit question, asked by every window's close box and Exit.
//
// A window asks about the scale update, or, the new-version window, about the new version's
// download. Yes about the update acts at once: it deletes the working files (the banner, then
// the update file) and ends the program. Yes about the download only answers; the new-version
// window then closes itself.

#include <functional>

class QWidget;

namespace wizard {

// Asks about the scale update, modal over `over`; true when the user chose Yes.
bool confirmQuit(QWidget *over);
// Asks about the new version's download, modal over `over`; true when the user chose Yes.
bool confirmLeaveDownload(QWidget *over);
// The same without blocking the other windows (the new-version window's Exit): onYes runs when
// the user chooses Yes.
void askLeaveDownload(QWidget *over, std::function<void()> onYes);

} // namespace wizard
