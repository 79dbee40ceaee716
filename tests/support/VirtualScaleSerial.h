#pragma once

// The machine's serial ports for tests, with virtual scales on them, in virtual time.
//
// Given to the program as its serial system (TestPlatform has one as `serial`, which
// TestPlatform's flow uses). Each COMn is listed (ascending, as the device "virtual port n") and is
// one of:
//   addScale(n, "12345678")      a virtual scale (tools/virtual-scale) on the line
//   addPort(n, PortState::Empty) a port with nothing on it: bytes go nowhere, nothing answers
//   PortState::Absent            listed but not there (a dangling link): open -> NotFound
//   PortState::Busy / Forbidden  open -> SerialError Busy / PermissionDenied
// A port number that was never added is not listed and not there.
//
// Answers reach the port on the VirtualClock: with the scale's pacing off they are in the input
// queue as soon as output() returns (late answers arrive at their time); with pacing on
// (scale.setTiming({true})) every byte arrives at its time on a 19200-baud line and
// bytesToWrite counts the host's bytes down as they would leave. A second open of a port that is
// open fails as Busy, as on the real system.
//
// sent(n) records every byte of the host's; the scale's own
// frames() log says what it made of them. unplug(n) takes the port away: a port object that has it
// open is closed (as the real port closes itself on a read error), later opens say NotFound.

#include "VirtualClock.h"

#include "VirtualScale.h"
#include "platform/SerialPort.h"

#include <map>
#include <memory>

namespace testing_support {

class VirtualScaleSerial final : public platform::SerialSystem
{
public:
    enum class PortState { Absent, Empty, Scale, Busy, Forbidden };

    explicit VirtualScaleSerial(VirtualClock &clock);
    ~VirtualScaleSerial() override;
    VirtualScaleSerial(const VirtualScaleSerial &) = delete;
    VirtualScaleSerial &operator=(const VirtualScaleSerial &) = delete;

    // A listed port with a virtual scale whose serial number is `serial` (8 hex digits).
    virtual_scale::VirtualScale &addScale(int number, const QString &serial = "12345678");
    void addPort(int number, PortState state);
    // The scale on COMn, nullptr when there is none.
    virtual_scale::VirtualScale *scale(int number) const;
    void unplug(int number);

    QByteArray sent(int number) const;
    // Successful opens of COMn so far.
    int opens(int number) const;
    // A port object of the program has COMn open.
    bool isOpen(int number) const;

    QList<platform::SerialPortInfo> ports() override;
    std::unique_ptr<platform::SerialPort> createPort() override;

    struct Line;
    struct Lines;

private:
    std::shared_ptr<Lines> m_lines;
};

// Gives the scale what the words say: "paced" (its line at the scale's pace) or a fault in
// virtual_scale::parseFault's words. Words that are no fault fail the test.
void giveScale(virtual_scale::VirtualScale &scale, const QString &words);

} // namespace testing_support
