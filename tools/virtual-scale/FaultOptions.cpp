#include "FaultOptions.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

namespace virtual_scale {

namespace {

struct ActionName
{
    const char *name;
    Fault::Action action;
    bool always; // acts on every matching frame unless a count is given
};

const ActionName kActions[] = {
    {"ignore", Fault::Action::Ignore, false},
    {"refuse", Fault::Action::Refuse, false},
    {"late", Fault::Action::Late, true},
    {"corrupt", Fault::Action::Corrupt, false},
    {"flip", Fault::Action::FlipStored, false},
    {"append", Fault::Action::Append, true},
    {"truncate", Fault::Action::Truncate, false},
};

bool readValue(Fault &fault, const QString &word)
{
    bool ok = false;
    switch (fault.action) {
    case Fault::Action::Late:
        fault.delayMs = word.toDouble(&ok);
        return ok && fault.delayMs >= 0;
    case Fault::Action::Corrupt:
    case Fault::Action::FlipStored: {
        bool maskOk = false;
        fault.index = word.section(QLatin1Char(':'), 0, 0).toInt(&ok);
        fault.mask = quint8(word.section(QLatin1Char(':'), 1).toUInt(&maskOk, 16));
        return ok && maskOk && fault.index >= 0 && word.contains(QLatin1Char(':'));
    }
    case Fault::Action::Append:
        fault.extra = QByteArray::fromHex(word.toLatin1());
        return !fault.extra.isEmpty();
    case Fault::Action::Truncate:
        fault.index = word.toInt(&ok);
        return ok && fault.index >= 0;
    default:
        return false;
    }
}

} // namespace

std::optional<Fault> parseFault(const QString &words, QString *error)
{
    const QStringList parts = words.simplified().split(QLatin1Char(' '));
    const auto refused = [&](const QString &why) {
        *error = QStringLiteral("fault \"%1\": %2").arg(words.simplified(), why);
        return std::nullopt;
    };
    Fault fault;
    const auto action = std::find_if(std::begin(kActions), std::end(kActions), [&](auto &a) {
        return parts.at(0) == QLatin1String(a.name);
    });
    if (action == std::end(kActions))
        return refused(QStringLiteral("no such action"));
    fault.action = action->action;
    fault.times = action->always ? kAlways : 1;
    bool ok = parts.size() >= 2;
    fault.command = ok && parts.at(1) == QLatin1String("*") ? -1 : parts.value(1).toInt(&ok, 16);
    if (!ok || (fault.command >= 0 && frameLength(quint8(fault.command)) == 0))
        return refused(QStringLiteral("no such command"));
    bool hasValue = false;
    for (int i = 2; i < parts.size(); ++i) {
        const QString &word = parts.at(i);
        if (word.startsWith(QLatin1Char('@'))) {
            fault.address = word.mid(1).toInt(&ok, 16);
            ok = ok && fault.address >= 0 && fault.address < kFlashSize;
        } else if (word == QLatin1String("always")) {
            fault.times = kAlways;
        } else if (word.startsWith(QLatin1Char('x'))) {
            fault.times = word.mid(1).toInt(&ok);
            ok = ok && fault.times > 0;
        } else if (word == QLatin1String("after") && i + 1 < parts.size()) {
            fault.after = parts.at(++i).toInt(&ok);
            ok = ok && fault.after >= 0;
        } else if (!hasValue) {
            ok = hasValue = readValue(fault, word);
        } else {
            ok = false;
        }
        if (!ok)
            return refused(QStringLiteral("cannot use \"%1\"").arg(word));
    }
    const bool needsValue
        = fault.action != Fault::Action::Ignore && fault.action != Fault::Action::Refuse;
    if (needsValue != hasValue)
        return refused(needsValue ? QStringLiteral("a value is missing")
                                  : QStringLiteral("takes no value"));
    return fault;
}

} // namespace virtual_scale
