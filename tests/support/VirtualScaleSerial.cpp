#include "VirtualScaleSerial.h"

#include "FaultOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace testing_support {

struct VirtualScaleSerial::Line
{
    PortState state = PortState::Absent;
    std::unique_ptr<virtual_scale::VirtualScale> scale;
    QByteArray sent;
    QByteArray inbox;
    int opens = 0;
    const void *owner = nullptr; // the port object that has it open
    quint64 generation = 0;      // bumps at every open and close; late answers of an old one drop
};

struct VirtualScaleSerial::Lines
{
    explicit Lines(VirtualClock &c)
        : clock(c)
    { }
    VirtualClock &clock;
    std::map<int, Line> byNumber;
    std::vector<int> listed;

    Line *find(int number)
    {
        const auto it = byNumber.find(number);
        return it == byNumber.end() ? nullptr : &it->second;
    }
};

namespace {

using Lines = VirtualScaleSerial::Lines;
using Line = VirtualScaleSerial::Line;
using PortState = VirtualScaleSerial::PortState;

void deliver(Line &line, const QByteArray &bytes)
{
    const int room = std::max(0, platform::SerialLine::kInBufferSize - int(line.inbox.size()));
    line.inbox.append(bytes.left(room));
}

class VirtualPort final : public platform::SerialPort
{
public:
    explicit VirtualPort(std::shared_ptr<Lines> lines)
        : m_lines(std::move(lines))
    { }
    ~VirtualPort() override { close(); }

    // Like the real port: the number changes only while the port is closed.
    void setPortNumber(int number) override
    {
        if (!isOpen())
            m_number = number;
    }
    int portNumber() const override { return m_number; }

    std::optional<platform::SerialError> open() override
    {
        const QString name = platform::comName(m_number);
        if (isOpen())
            return std::nullopt;
        Line *line = m_lines->find(m_number);
        if (!line || line->state == PortState::Absent)
            return platform::SerialError::notFound(name);
        if (line->state == PortState::Busy || line->owner)
            return platform::SerialError::busy(name);
        if (line->state == PortState::Forbidden)
            return platform::SerialError::permissionDenied(
                name, QStringLiteral("/dev/ttyS%1").arg(m_number - 1), QStringLiteral("dialout"));
        line->owner = this;
        ++line->generation;
        ++line->opens;
        line->inbox.clear();
        if (line->scale)
            line->scale->resetLine();
        m_generation = line->generation;
        return std::nullopt;
    }

    void close() override
    {
        if (Line *line = openLine()) {
            line->owner = nullptr;
            ++line->generation;
            line->inbox.clear();
        }
    }

    bool isOpen() const override { return openLine() != nullptr; }

    std::optional<platform::SerialError> write(const QByteArray &bytes) override
    {
        Line *line = openLine();
        if (!line)
            return platform::SerialError::notOpen();
        line->sent.append(bytes);
        if (!line->scale)
            return std::nullopt;
        VirtualClock &clock = m_lines->clock;
        const qint64 now = clock.nowMs();
        for (const auto &delivery : line->scale->receive(bytes, double(now))) {
            if (delivery.atMs <= now) {
                deliver(*line, delivery.bytes);
                continue;
            }
            std::weak_ptr<Lines> weak = m_lines;
            const int number = m_number;
            const quint64 generation = line->generation;
            const QByteArray bytes = delivery.bytes;
            // The clock runs whole milliseconds: a byte counts from the millisecond it completes.
            clock.schedule(
                qint64(std::ceil(delivery.atMs)),
                [weak, number, generation, bytes] {
                    const auto lines = weak.lock();
                    Line *target = lines ? lines->find(number) : nullptr;
                    if (target && target->owner && target->generation == generation)
                        deliver(*target, bytes);
                },
                VirtualClock::Runs::InWaitingThread);
        }
        return std::nullopt;
    }

    int bytesToWrite() const override
    {
        const Line *line = openLine();
        if (!line || !line->scale)
            return 0;
        return line->scale->bytesInFlight(double(m_lines->clock.nowMs()));
    }

    int bytesAvailable() const override
    {
        const Line *line = openLine();
        return line ? int(line->inbox.size()) : 0;
    }

    void clearInput() override
    {
        if (Line *line = openLine())
            line->inbox.clear();
    }

    QByteArray read() override
    {
        Line *line = openLine();
        if (!line)
            return {};
        const QByteArray bytes = line->inbox.left(platform::SerialLine::kInputLen);
        line->inbox.remove(0, bytes.size());
        return bytes;
    }

    // Time moves on the virtual clock (in the scale programmer's thread, or in a test's that
    // drives a link itself).
    void waitForSent(int maxMs) override { m_lines->clock.waitForEvents(std::min(maxMs, 2)); }
    void waitForInput(int maxMs, int) override { m_lines->clock.waitForEvents(maxMs); }

private:
    Line *openLine() const
    {
        Line *line = m_lines->find(m_number);
        return line && line->owner == this && line->generation == m_generation ? line : nullptr;
    }

    std::shared_ptr<Lines> m_lines;
    int m_number = 1;
    quint64 m_generation = 0;
};

} // namespace

VirtualScaleSerial::VirtualScaleSerial(VirtualClock &clock)
    : m_lines(std::make_shared<Lines>(clock))
{ }

VirtualScaleSerial::~VirtualScaleSerial() = default;

virtual_scale::VirtualScale &VirtualScaleSerial::addScale(int number, const QString &serial)
{
    addPort(number, PortState::Scale);
    Line &line = m_lines->byNumber[number];
    line.scale = std::make_unique<virtual_scale::VirtualScale>();
    line.scale->setSerialNumber(serial);
    return *line.scale;
}

void VirtualScaleSerial::addPort(int number, PortState state)
{
    Line &line = m_lines->byNumber[number];
    line.state = state;
    if (state != PortState::Scale)
        line.scale.reset();
    if (std::find(m_lines->listed.begin(), m_lines->listed.end(), number) == m_lines->listed.end())
        m_lines->listed.push_back(number);
}

virtual_scale::VirtualScale *VirtualScaleSerial::scale(int number) const
{
    const Line *line = m_lines->find(number);
    return line ? line->scale.get() : nullptr;
}

void VirtualScaleSerial::unplug(int number)
{
    if (Line *line = m_lines->find(number)) {
        line->state = PortState::Absent;
        line->owner = nullptr;
        ++line->generation;
        line->inbox.clear();
    }
}

QByteArray VirtualScaleSerial::sent(int number) const
{
    const Line *line = m_lines->find(number);
    return line ? line->sent : QByteArray();
}

int VirtualScaleSerial::opens(int number) const
{
    const Line *line = m_lines->find(number);
    return line ? line->opens : 0;
}

bool VirtualScaleSerial::isOpen(int number) const
{
    const Line *line = m_lines->find(number);
    return line && line->owner;
}

QList<platform::SerialPortInfo> VirtualScaleSerial::ports()
{
    std::vector<int> numbers = m_lines->listed;
    std::sort(numbers.begin(), numbers.end());
    QList<platform::SerialPortInfo> ports;
    for (const int number : numbers)
        ports.append({number, QStringLiteral("virtual port %1").arg(number)});
    return ports;
}

std::unique_ptr<platform::SerialPort> VirtualScaleSerial::createPort()
{
    return std::make_unique<VirtualPort>(m_lines);
}

void giveScale(virtual_scale::VirtualScale &scale, const QString &words)
{
    if (words.trimmed() == QLatin1String("paced")) {
        scale.setTiming({true});
        return;
    }
    QString error;
    const std::optional<virtual_scale::Fault> fault = virtual_scale::parseFault(words, &error);
    EXPECT_TRUE(fault) << error.toStdString();
    if (fault)
        scale.addFault(*fault);
}

} // namespace testing_support
