#include "platform/Process.h"

#include <QCoreApplication>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcProcess, "kovara.process")

namespace platform {

void SystemProcess::end(int status)
{
    if (status == 0)
        qCInfo(lcProcess) << "the program ends";
    else
        qCInfo(lcProcess) << "the program ends with status" << status;
    QCoreApplication::exit(status);
}

} // namespace platform
