#pragma once

// The one quit question of the program, asked by every window's close box and Exit.
//
// It is about the scale update, or, while the new-version window is up, about the new version's
// download. Yes acts at once: about the update it deletes the working files (the banner, then the
// update file) and ends the program; about the download it closes the new-version window only.

class QWidget;

namespace wizard {

// Asks modal over `over`; true when the user chose Yes.
bool confirmQuit(QWidget *over);
// Asks without blocking the other windows (the new-version window's Exit); Yes acts when chosen.
void askQuit(QWidget *over);
// A quit question is on screen.
bool quitQuestionShown();

} // namespace wizard
