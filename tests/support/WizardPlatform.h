#pragma once

// TestPlatform with the program's flow between the windows, as main() runs it: for the tests of
// the windows, which move on from one to the next.

#include "TestPlatform.h"

#include "app/UpdateFlow.h"

namespace testing_support {

class WizardPlatform final : public TestPlatform
{
public:
    UpdateFlow flow;
};

} // namespace testing_support
