#pragma once

// A serial system for the link's own tests, whose far ends are scripts on the virtual clock: a
// test says which ports exist, which refuse to open and why, what arrives and when, and then
// reads what the program sent. It exists to pin down the exchange's timing and discard rules to
// the millisecond, which a whole scale simulator does not expose.

#include "VirtualClock.h"

#include "platform/SerialPort.h"

#include <QList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace testing_support {

class ScriptedSerialSystem;

// What sits at the far end of one port number.
struct FarEnd
{
    // open() throws this kind (a port not there, busy, not allowed).
    std::optional<platform::SerialError::Kind> refuse;
    // The answer to each frame; empty is silence. It arrives replyDelayMs after the frame left.
    std::function<QByteArray(const QByteArray &frame)> answer;
    qint64 replyDelayMs = 5;
};

// A scale that answers the serial-number read with these 4 bytes at 0700h-0703h and accepts
// every byte written.
FarEnd scaleWithSerial(const QByteArray &serialBytes);

class ScriptedPort final : public platform::SerialPort
{
public:
    ScriptedPort(VirtualClock &clock, ScriptedSerialSystem &system);

    // Bytes arrive from the far end now.
    void receive(const QByteArray &bytes) { m_in += bytes; }
    // How long a frame takes to leave the send queue.
    qint64 sendMs = 0;
    // The far end's answer lands inside output(), before it returns.
    bool answerWithinOutput = false;

    QList<QByteArray> frames; // every frame handed over, in order
    int opens = 0;
    platform::SerialSettings settings;
    bool configured = false;

    void setCommPort(int number) override { m_number = number; }
    int commPort() const override { return m_number; }
    void configure(const platform::SerialSettings &s) override
    {
        settings = s;
        configured = true;
    }
    void open() override;
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void output(const QByteArray &bytes) override;
    int outBufferCount() const override { return m_out; }
    int inBufferCount() const override { return int(m_in.size()); }
    void clearInput() override { m_in.clear(); }
    QByteArray input() override;

private:
    VirtualClock &m_clock;
    ScriptedSerialSystem &m_system;
    int m_number = 1;
    bool m_open = false;
    int m_out = 0;
    QByteArray m_in;
};

class ScriptedSerialSystem final : public platform::SerialSystem
{
public:
    explicit ScriptedSerialSystem(VirtualClock &clock);
    ~ScriptedSerialSystem() override;

    QStringList names;
    std::map<int, FarEnd> ends; // a number not here is not there
    std::vector<int> opened; // port numbers opened, in order
    ScriptedPort *lastPort = nullptr;

    QStringList portNames() override { return names; }
    std::unique_ptr<platform::SerialPort> createPort() override;

private:
    VirtualClock &m_clock;
};

} // namespace testing_support
