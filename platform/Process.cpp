#include "platform/Process.h"

#include <QLoggingCategory>

#include <cstdio>
#include <cstdlib>

Q_LOGGING_CATEGORY(lcProcess, "kovara.process")

namespace platform {

void SystemProcess::terminate()
{
    qCInfo(lcProcess) << "terminate";
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(0);
}

} // namespace platform
