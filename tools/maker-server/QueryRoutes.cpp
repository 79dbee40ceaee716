#include "Routes.h"

namespace maker {

void addQueryRoutes(Router &, const Options &) {}

} // namespace maker
