#include "platform/RunningMark.h"

namespace platform {

RunningMark::RunningMark() = default;
RunningMark::~RunningMark() = default;

} // namespace platform
