#include "HostPath.h"

namespace testing_support {

QString hostPath(const QString &localPath)
{
    return localPath;
}

} // namespace testing_support
