#pragma once

// The platform services the program uses, each replaceable as a whole, declared with their
// interfaces. The program uses the real ones; a test installs its doubles
// (tests/support/TestPlatform.h installs a full set) and restores the real ones afterwards by
// installing nullptr. The caller keeps ownership of what it installs.

#include "platform/Clock.h"
#include "platform/Process.h"
#include "platform/Shell.h"
