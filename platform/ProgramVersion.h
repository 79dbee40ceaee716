#pragma once

// The program's name and version as its windows, its boxes and its requests show them.

#include "platform/BuildConfig.h"

#include <QString>

namespace platform {

// "Kovara Norvessia PC Program": the title of every box given none, and the agent name of the
// internet probe.
inline QString applicationTitle()
{
    return QStringLiteral("Kovara Norvessia PC Program");
}

// "Version 5.0"
inline QString programVersionText()
{
    return QStringLiteral("Version ") + QString::fromLatin1(build_config::kProgramVersion);
}

// The version line of the program's windows: "Kovara PC Program Version 5.0".
inline QString programVersionLine()
{
    return QStringLiteral("Kovara PC Program ") + programVersionText();
}

} // namespace platform
