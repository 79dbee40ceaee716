#pragma once

// TestPlatform with the program's flow between the windows, as main() runs it: for the tests of
// the windows, which move on from one to the next. The maker's servers are TestPlatform's.

#include "TestPlatform.h"
#include "app/UpdateFlow.h"
#include "net/MakerClient.h"
#include "query/modCheck.h"

namespace testing_support {

class WizardPlatform final : public TestPlatform
{
public:
    WizardPlatform() = default;
    // The maker's questions go over this network instead (the real one, to a real server).
    explicit WizardPlatform(QNetworkAccessManager &network)
        : makerClient(network, modCheck::QueryURL())
    { }

    net::MakerClient makerClient {maker, modCheck::QueryURL()};
    UpdateFlow flow {makerClient};

    // Runs events until no question to the maker's servers is out and the input held meanwhile
    // has been delivered.
    void waitForChecks()
    {
        for (int round = 0; round < 100 && flow.checksRunning(); ++round)
            processEvents();
        processEvents();
    }
};

} // namespace testing_support
