#pragma once

// The faults of the kovara-virtual-scale command, as its options name them, so the command and
// its tests share one reading of them. Addresses are hexadecimal ("0100", "0x0100" or "0100h");
// a count is a number or "always".
//
//   --silent                      answers nothing at all
//   --ignore-session N            the next N session openings go unanswered
//   --refuse-session N            the next N session openings are refused (0Fh)
//   --refuse-block ADDR[,N]       the program block at ADDR is refused N times (default 1)
//   --drop-read ADDR[,N]          the read-back of the block at ADDR goes unanswered N times
//   --corrupt-read ADDR[,N]       the read-back of the block at ADDR has bit 0 of its first data
//                                 byte flipped, N times
//   --flip-stored ADDR[,N]        programming the block at ADDR stores its first byte with bit 0
//                                 flipped, N times
//   --late MS                     every answer leaves MS milliseconds late

#include "VirtualScale.h"

#include <QStringList>

namespace virtual_scale {

struct FaultOption
{
    QString name; // without the dashes
    QString valueName;
    QString help;
};
// The options above.
QList<FaultOption> faultOptions();
// Adds the fault of one option. False with a message in *error when the value is malformed.
bool addFaultOption(VirtualScale &scale, const QString &name, const QString &value, QString *error);

} // namespace virtual_scale
