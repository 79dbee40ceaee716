#include "platform/ProgramArguments.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

QStringList programArguments(int, char *[])
{
    int count = 0;
    wchar_t **words = CommandLineToArgvW(GetCommandLineW(), &count);
    QStringList arguments;
    for (int i = 0; words && i < count; ++i)
        arguments << QString::fromWCharArray(words[i]);
    LocalFree(words);
    return arguments;
}

} // namespace platform
