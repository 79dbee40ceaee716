#pragma once

// TestPlatform with the program's flow between the windows, as main() runs it: for the tests of
// the windows, which move on from one to the next. By default the flow's seams are TestPlatform's
// doubles; a test of the real path gives it the real network, or the real ports and time.

#include "TestPlatform.h"
#include "app/UpdateFlow.h"
#include "device/ScaleProgrammer.h"
#include "net/Downloader.h"
#include "net/MakerAddresses.h"
#include "net/MakerClient.h"
#include "platform/Clock.h"
#include "platform/DiskSpace.h"
#include "platform/SystemSerial.h"

#include <QNetworkAccessManager>

#include <memory>
#include <optional>

namespace testing_support {

class WizardPlatform final : public TestPlatform
{
    // The system's ports and time, for the tests of the real path; first, as the members below
    // are made with them.
    platform::SystemSerial m_realPorts;
    platform::SystemClock m_realClock;
    // The maker's servers over a real network, when the test gives one.
    std::unique_ptr<net::MakerClient> m_realMaker;

public:
    struct Options
    {
        // The maker's questions go over this network instead (the real one, to a real server).
        QNetworkAccessManager *network = nullptr;
        // The system's serial ports and clock instead of the virtual ones.
        bool realPortsAndTime = false;
        // The screens' ticks: short, so that a test waits for what follows rather than steps;
        // the version check and the banner's blink as in the program.
        ScreenPace pace = {std::chrono::milliseconds(1), std::chrono::milliseconds(1)};
    };

    WizardPlatform()
        : WizardPlatform(Options {})
    { }
    explicit WizardPlatform(Options options)
        : m_realMaker(options.network
                          ? std::make_unique<net::MakerClient>(*options.network, maker::queryUrl())
                          : nullptr)
        , downloader(options.network ? *options.network : realNetwork, disk)
        , scale(ports(options), time(options))
        , flow({dialogs,
                m_realMaker ? static_cast<net::MakerService &>(*m_realMaker) : maker,
                probe,
                downloader,
                scale,
                ports(options),
                time(options),
                shell,
                process,
                files},
               options.pace)
    { }

    // Downloads go over the real network (to the maker server tool on loopback) unless told.
    QNetworkAccessManager realNetwork;
    SetDiskSpace disk;
    net::Downloader downloader;
    // The scale's port, as the flow uses it.
    device::ScaleProgrammer scale;
    UpdateFlow flow;

    // Runs events until no question to the maker's servers is out and the input held meanwhile
    // has been delivered.
    void waitForChecks()
    {
        for (int round = 0; round < 100 && flow.checksRunning(); ++round)
            processEvents();
        processEvents();
    }

private:
    platform::SerialSystem &ports(const Options &options)
    {
        if (!options.realPortsAndTime)
            return serial;
        return m_realPorts;
    }
    const platform::Clock &time(const Options &options)
    {
        if (!options.realPortsAndTime)
            return clock;
        return m_realClock;
    }
};

} // namespace testing_support
