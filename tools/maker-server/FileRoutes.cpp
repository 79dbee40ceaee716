#include "Routes.h"

namespace maker {

void addFileRoutes(Router &, const Options &) {}

} // namespace maker
