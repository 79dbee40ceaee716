#pragma once

// The program's version as its windows show it: "Version 5.0".

#include "platform/BuildConfig.h"

#include <QString>

inline QString programVersionText()
{
    return QStringLiteral("Version ") + QString::fromLatin1(build_config::kProgramVersion);
}

// The version line of the program's windows: "Kovara PC Program Version 5.0".
inline QString programVersionLine()
{
    return QStringLiteral("Kovara PC Program ") + programVersionText();
}
