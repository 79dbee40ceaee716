#include "FaultOptions.h"

namespace virtual_scale {

namespace {

bool parseCount(const QString &text, int *count)
{
    if (text.compare(QLatin1String("always"), Qt::CaseInsensitive) == 0) {
        *count = kAlways;
        return true;
    }
    bool ok = false;
    *count = text.toInt(&ok);
    return ok && *count > 0;
}

bool parseAddress(QString text, int *address)
{
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    else if (text.endsWith(QLatin1Char('h'), Qt::CaseInsensitive))
        text.chop(1);
    bool ok = false;
    *address = text.toInt(&ok, 16);
    return ok && !text.isEmpty() && *address >= 0 && *address < kFlashSize;
}

// "ADDR[,N]"
bool parseBlock(const QString &value, int *address, int *count)
{
    const QStringList parts = value.split(QLatin1Char(','));
    *count = 1;
    return parts.size() <= 2 && parseAddress(parts.at(0).trimmed(), address)
        && (parts.size() == 1 || parseCount(parts.at(1).trimmed(), count));
}

} // namespace

QList<FaultOption> faultOptions()
{
    return {
        {"ignore-session", "N", "Leave the next N session openings (or \"always\") unanswered."},
        {"refuse-session", "N", "Refuse the next N session openings (or \"always\")."},
        {"refuse-block", "ADDR[,N]", "Refuse programming the block at hex ADDR N times."},
        {"drop-read", "ADDR[,N]", "Leave reads of the block at hex ADDR unanswered N times."},
        {"corrupt-read", "ADDR[,N]", "Flip a bit in reads of the block at hex ADDR, N times."},
        {"flip-stored", "ADDR[,N]", "Store the block at hex ADDR with a bit flipped, N times."},
        {"late", "MS", "Send every answer MS milliseconds late."},
    };
}

bool addFaultOption(VirtualScale &scale, const QString &name, const QString &value, QString *error)
{
    int count = 1;
    int address = 0;
    bool ok = false;
    if (name == QLatin1String("ignore-session") || name == QLatin1String("refuse-session")) {
        ok = parseCount(value, &count);
        if (ok) {
            scale.addFault(name.startsWith(QLatin1String("ignore"))
                               ? Fault::ignore(kOpenSession, -1, count)
                               : Fault::refuse(kOpenSession, -1, count));
        }
    } else if (name == QLatin1String("late")) {
        const double ms = value.toDouble(&ok);
        ok = ok && ms >= 0;
        if (ok)
            scale.addFault(Fault::late(-1, ms));
    } else if (parseBlock(value, &address, &count)) {
        ok = address % kBlockSize == 0;
        if (!ok) {
            *error = QStringLiteral("--%1: %2 is not the address of a 128-byte block")
                         .arg(name, value);
            return false;
        }
        if (name == QLatin1String("refuse-block"))
            scale.addFault(Fault::refuse(kProgramBlock, address, count));
        else if (name == QLatin1String("drop-read"))
            scale.addFault(Fault::ignore(kReadBlock, address, count));
        else if (name == QLatin1String("corrupt-read"))
            scale.addFault(Fault::corrupt(kReadBlock, address, 3, 0x01, count));
        else if (name == QLatin1String("flip-stored"))
            scale.addFault(Fault::flipStored(kProgramBlock, address, 0, 0x01, count));
        else
            ok = false;
    }
    if (!ok)
        *error = QStringLiteral("--%1: cannot use \"%2\"").arg(name, value);
    return ok;
}

} // namespace virtual_scale
