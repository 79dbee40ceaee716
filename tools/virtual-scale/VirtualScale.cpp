#include "VirtualScale.h"

#include <QStringList>

#include <algorithm>

namespace virtual_scale {

int frameLength(quint8 command)
{
    switch (command) {
    case kReadBlock:
        return 3;
    case kOpenSession:
        return 5;
    case kProgramBlock:
        return 3 + kBlockSize;
    case kStoreByte:
        return 4;
    case kCloseSession:
        return 1;
    default:
        return 0;
    }
}

QString commandName(quint8 command)
{
    switch (command) {
    case kReadBlock:
        return QStringLiteral("read block");
    case kOpenSession:
        return QStringLiteral("open session");
    case kProgramBlock:
        return QStringLiteral("program block");
    case kStoreByte:
        return QStringLiteral("store byte");
    case kCloseSession:
        return QStringLiteral("close session");
    default:
        return QStringLiteral("noise");
    }
}

VirtualScale::VirtualScale()
    : m_flash(kFlashSize, char(0xFF))
{ }

void VirtualScale::loadImage(const QByteArray &image)
{
    m_flash = image.left(kFlashSize);
    if (m_flash.size() < kFlashSize)
        m_flash.append(QByteArray(kFlashSize - m_flash.size(), char(0xFF)));
}

bool VirtualScale::setSerialNumber(const QString &digits)
{
    if (digits.size() != 8)
        return false;
    const QByteArray bytes = QByteArray::fromHex(digits.toLatin1());
    if (bytes.size() != 4 || bytes.toHex().toUpper() != digits.toUpper().toLatin1())
        return false;
    for (int k = 0; k < 4; ++k)
        m_flash[kSerialAddress + k] = bytes.at(k);
    return true;
}

QString VirtualScale::serialNumber() const
{
    return QString::fromLatin1(m_flash.mid(kSerialAddress, 4).toHex().toUpper());
}

std::vector<Delivery> VirtualScale::receive(const QByteArray &bytes, double nowMs)
{
    std::vector<Delivery> out;
    for (const char c : bytes) {
        double arrival = nowMs;
        if (m_timing.paced) {
            arrival = std::max(nowMs, m_toScaleFreeAt) + m_timing.byteMs;
            m_toScaleFreeAt = arrival;
            m_arrivals.push_back(arrival);
        }
        if (!m_partial.isEmpty() && arrival - m_lastByteAt > m_timing.frameGapMs)
            m_partial.clear();
        m_lastByteAt = arrival;
        if (m_partial.isEmpty()) {
            m_expected = frameLength(quint8(c));
            if (m_expected == 0)
                continue;
        }
        m_partial.append(c);
        if (m_partial.size() == m_expected)
            execute(arrival, out);
    }
    return out;
}

int VirtualScale::bytesInFlight(double nowMs) const
{
    while (!m_arrivals.empty() && m_arrivals.front() <= nowMs)
        m_arrivals.pop_front();
    return int(m_arrivals.size());
}

void VirtualScale::resetLine()
{
    m_partial.clear();
    m_arrivals.clear();
    m_toScaleFreeAt = 0;
    m_toHostFreeAt = 0;
}

namespace {
bool matches(const Fault &fault, quint8 command, int address)
{
    return fault.times != 0 && (fault.command < 0 || fault.command == command)
        && (fault.address < 0 || fault.address == address);
}
} // namespace

void VirtualScale::execute(double atMs, std::vector<Delivery> &out)
{
    FrameRecord record;
    record.atMs = atMs;
    record.frame = m_partial;
    record.command = quint8(m_partial.at(0));
    m_partial.clear();
    const QByteArray &frame = record.frame;
    if (frame.size() >= 3 && record.command != kOpenSession)
        record.address = (quint8(frame.at(1)) << 8) | quint8(frame.at(2));

    // The faults that act on this frame, each counting one use.
    bool ignore = m_silent;
    bool refuse = false;
    double delay = 0;
    std::vector<const Fault *> acting;
    QStringList notes;
    if (m_silent)
        notes << QStringLiteral("silent");
    for (Fault &fault : m_faults) {
        if (!matches(fault, record.command, record.address))
            continue;
        if (fault.after > 0) {
            --fault.after;
            continue;
        }
        if (fault.times > 0)
            --fault.times;
        switch (fault.action) {
        case Fault::Action::Ignore:
            ignore = true;
            notes << QStringLiteral("ignored");
            break;
        case Fault::Action::Refuse:
            refuse = true;
            notes << QStringLiteral("refused");
            break;
        case Fault::Action::Late:
            delay += fault.delayMs;
            notes << QStringLiteral("late %1 ms").arg(fault.delayMs);
            break;
        default:
            acting.push_back(&fault);
            break;
        }
    }

    QByteArray reply;
    if (!ignore) {
        switch (record.command) {
        case kReadBlock: {
            reply = frame.left(3);
            for (int i = 0; i < kBlockSize; ++i) {
                const int at = (record.address + i) & 0xFFFF;
                reply.append(m_session || at < kOpenReadLimit ? m_flash.at(at) : char(0xFF));
            }
            break;
        }
        case kOpenSession:
            m_session = !refuse && frame.mid(1, 4) == m_flash.mid(kSerialAddress, 4);
            reply.append(char(m_session ? kAccepted : kRefused));
            break;
        case kProgramBlock:
            if (refuse || !m_session || record.address % kBlockSize != 0) {
                if (!refuse)
                    notes << (m_session ? QStringLiteral("not on a block boundary")
                                        : QStringLiteral("no session"));
                reply.append(char(kRefused));
                break;
            }
            for (int i = 0; i < kBlockSize; ++i)
                m_flash[record.address + i] = frame.at(3 + i);
            for (const Fault *fault : acting) {
                if (fault->action == Fault::Action::FlipStored) {
                    const int at = record.address + (fault->index % kBlockSize);
                    m_flash[at] = char(quint8(m_flash.at(at)) ^ fault->mask);
                }
            }
            delay += m_timing.flashWriteMs;
            reply.append(char(kAccepted));
            break;
        case kStoreByte:
            if (refuse) {
                reply.append(char(kRefused));
                break;
            }
            m_flash[record.address] = frame.at(3);
            for (const Fault *fault : acting) {
                if (fault->action == Fault::Action::FlipStored)
                    m_flash[record.address] = char(quint8(frame.at(3)) ^ fault->mask);
            }
            reply.append(char(kAccepted));
            break;
        case kCloseSession:
            m_session = false;
            break;
        }
        for (const Fault *fault : acting) {
            if (fault->action == Fault::Action::Corrupt && fault->index < reply.size()) {
                reply[fault->index] = char(quint8(reply.at(fault->index)) ^ fault->mask);
                notes << QStringLiteral("byte %1 corrupted").arg(fault->index);
            } else if (fault->action == Fault::Action::Append && !reply.isEmpty()) {
                reply.append(fault->extra);
                notes << QStringLiteral("%1 extra bytes").arg(fault->extra.size());
            } else if (fault->action == Fault::Action::FlipStored) {
                notes << QStringLiteral("stored bits flipped");
            }
        }
        // Cut last, so a lengthened answer can be cut too.
        for (const Fault *fault : acting) {
            if (fault->action == Fault::Action::Truncate && fault->index < reply.size()) {
                reply.truncate(std::max(0, fault->index));
                notes << QStringLiteral("cut to %1 bytes").arg(reply.size());
            }
        }
    }

    record.reply = reply;
    record.note = notes.join(QStringLiteral(", "));
    if (!reply.isEmpty())
        schedule(reply, atMs + delay, out);
    m_frames.push_back(record);
    if (m_observer)
        m_observer(m_frames.back());
}

void VirtualScale::schedule(const QByteArray &reply, double readyAtMs, std::vector<Delivery> &out)
{
    if (!m_timing.paced) {
        out.push_back({readyAtMs, reply});
        return;
    }
    double at = std::max(readyAtMs, m_toHostFreeAt);
    for (const char c : reply) {
        at += m_timing.byteMs;
        out.push_back({at, QByteArray(1, c)});
    }
    m_toHostFreeAt = at;
}

namespace {
QString hex(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}
} // namespace

QString describe(const FrameRecord &record)
{
    QString text = hex(record.command, 2) + QStringLiteral("h ") + commandName(record.command);
    if (record.address >= 0)
        text += QLatin1Char(' ') + hex(record.address, 4);
    if (record.command == kOpenSession)
        text += QLatin1Char(' ') + QString::fromLatin1(record.frame.mid(1).toHex().toUpper());
    if (record.reply.isEmpty())
        text += QStringLiteral(" -> no answer");
    else if (record.reply.size() == 1)
        text += QStringLiteral(" -> ") + hex(quint8(record.reply.at(0)), 2) + QLatin1Char('h');
    else
        text += QStringLiteral(" -> %1 bytes").arg(record.reply.size());
    if (!record.note.isEmpty())
        text += QStringLiteral(" (%1)").arg(record.note);
    return text;
}

} // namespace virtual_scale
