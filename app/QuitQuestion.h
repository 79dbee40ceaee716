#pragma once

// The program's quit question, asked by every window's close box and Exit.
//
// A window asks about the scale update (in other words while the scale is being written), or, the
// new-version window, about the new version's download. The questions only answer: what Yes does is
// the flow's (UpdateFlow::confirmQuit).

#include <functional>

class QWidget;

namespace wizard {

// Asks about the scale update, modal over `over`; true when the user chose Yes.
bool askQuit(QWidget *over);
// The same while the scale is being written: it says that the update would stay unfinished.
bool askQuitWhileWriting(QWidget *over);
// Asks about the new version's download, modal over `over`; true when the user chose Yes.
bool confirmLeaveDownload(QWidget *over);
// The same without blocking the other windows (the new-version window's Exit): onYes runs when
// the user chooses Yes.
void askLeaveDownload(QWidget *over, std::function<void()> onYes);

} // namespace wizard
