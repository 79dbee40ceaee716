#pragma once

// The fixed pictures of the windows, compiled into the program.

#include <QPixmap>

namespace pictures {

// The main window's picture: a postage scale with a letter on it.
QPixmap scale();
// The new-version window's picture: a computer with a download sign.
QPixmap newVersion();

} // namespace pictures
