#include "ScriptedSerial.h"

namespace testing_support {

FarEnd scaleWithSerial(const QByteArray &serialBytes)
{
    FarEnd end;
    end.answer = [serialBytes](const QByteArray &frame) -> QByteArray {
        if (frame.size() == 3 && quint8(frame.at(0)) == 0xB4) {
            QByteArray block = frame + QByteArray(128, char(0xFF));
            if (frame.mid(1) == QByteArray::fromHex("0700"))
                block.replace(3, 4, serialBytes);
            return block;
        }
        if (frame.size() == 4 && quint8(frame.at(0)) == 0x5A)
            return QByteArray(1, char(0xF0));
        return {};
    };
    return end;
}

ScriptedPort::ScriptedPort(VirtualClock &clock, ScriptedSerialSystem &system)
    : m_clock(clock)
    , m_system(system)
{ }

void ScriptedPort::open()
{
    if (m_open)
        throw platform::SerialError(platform::SerialError::Kind::Busy,
                                    QStringLiteral("Port already open"));
    const auto end = m_system.ends.find(m_number);
    if (end == m_system.ends.end())
        throw platform::SerialError(platform::SerialError::Kind::NotFound,
                                    QStringLiteral("COM%1 is not there.").arg(m_number));
    if (end->second.refuse)
        throw platform::SerialError(*end->second.refuse,
                                    QStringLiteral("COM%1 cannot be opened.").arg(m_number));
    m_open = true;
    ++opens;
    m_system.opened.push_back(m_number);
}

void ScriptedPort::output(const QByteArray &bytes)
{
    if (!m_open)
        throw platform::SerialError(platform::SerialError::Kind::NotOpen,
                                    QStringLiteral("The port is not open."));
    frames << bytes;
    const auto end = m_system.ends.find(m_number);
    const QByteArray answer = (end != m_system.ends.end() && end->second.answer)
        ? end->second.answer(bytes)
        : QByteArray();
    if (answerWithinOutput) {
        m_in += answer;
        return;
    }
    m_out = int(bytes.size());
    const qint64 sent = m_clock.nowMs() + sendMs;
    m_clock.schedule(sent, [this] { m_out = 0; });
    if (!answer.isEmpty()) {
        m_clock.schedule(sent + end->second.replyDelayMs, [this, answer] {
            if (m_open)
                m_in += answer;
        });
    }
}

QByteArray ScriptedPort::input()
{
    const QByteArray bytes = m_in.left(settings.inputLen);
    m_in.remove(0, bytes.size());
    return bytes;
}

ScriptedSerialSystem::ScriptedSerialSystem(VirtualClock &clock)
    : m_clock(clock)
{
    platform::install(this);
}

ScriptedSerialSystem::~ScriptedSerialSystem()
{
    platform::install(static_cast<platform::SerialSystem *>(nullptr));
}

std::unique_ptr<platform::SerialPort> ScriptedSerialSystem::createPort()
{
    auto port = std::make_unique<ScriptedPort>(m_clock, *this);
    lastPort = port.get();
    return port;
}

} // namespace testing_support
