#pragma once

// The program's arguments as the user typed them, read before any Qt application object exists.
// On Windows they come from the wide command line, so a path with letters outside the ANSI code
// page arrives whole; on Linux from argv in the locale's encoding.

#include <QStringList>

namespace platform {

// The arguments, the program's name first.
QStringList programArguments(int argc, char *argv[]);

} // namespace platform
