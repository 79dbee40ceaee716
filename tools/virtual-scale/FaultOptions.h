#pragma once

// A fault of the virtual scale in words, as the command's --fault option and the tests write it:
//
//   ACTION COMMAND [@ADDR] [VALUE] [xN | always] [after N]
//
//   ignore | refuse             the frame goes unanswered | is answered 0Fh without effect
//   late MS                     the answer leaves MS milliseconds late (every time, unless told)
//   corrupt | flip INDEX:MASK   the answer's byte INDEX | the stored block's byte INDEX is XORed
//                               with MASK (hex); read data starts at index 3
//   append HEX                  the bytes follow the answer (every time, unless told)
//   truncate KEEP               only the answer's first KEEP bytes leave
//
// COMMAND is the command byte in hex (B4, 1E, C3, 5A, 4B) or * for every command; @ADDR (hex)
// the block it applies to. A fault acts once unless a count (xN, always) says otherwise; "after N"
// lets the first N frames it matches pass untouched. Examples: "refuse C3 @0100 x3",
// "late B4 @9E00 10800 x1", "corrupt B4 @4080 20:10 always", "refuse 1E after 4".

#include "VirtualScale.h"

#include <optional>

namespace virtual_scale {

// The fault, or nothing with a message in *error when the words are malformed.
std::optional<Fault> parseFault(const QString &words, QString *error);

} // namespace virtual_scale
