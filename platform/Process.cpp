#include "platform/Process.h"

#include <QCoreApplication>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcProcess, "kovara.process")

namespace platform {

void SystemProcess::end()
{
    qCInfo(lcProcess) << "the program ends";
    QCoreApplication::exit(0);
}

} // namespace platform
