#include "FuzzTarget.h"

#include <QLoggingCategory>

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

void violated(const char *what)
{
    std::fprintf(stderr, "fuzz invariant violated: %s\n", what);
    std::abort();
}

void quietLogging()
{
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
}

} // namespace fuzzing
