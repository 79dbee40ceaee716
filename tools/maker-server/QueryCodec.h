#pragma once

// The query endpoint's own cipher and percent coding, written apart from the program's so that
// the two sides check each other: a request the program enciphers wrongly does not decipher here.

#include <string>
#include <string_view>

namespace maker {

inline constexpr char kQueryKey[] = "KWZQMPLTRVSNHDXBF";

// RC4 from a fresh key schedule; enciphering and deciphering are the same operation.
std::string rc4(std::string_view key, std::string_view data);
// Percent-decoding of a form value: "%XX" and "+" for a blank. A broken escape is kept as it is.
std::string percentDecode(std::string_view text);
// Percent-encoding of a reply the way the maker's web server writes it: letters, digits, "-",
// "_" and "." stay, a blank becomes "+", every other byte "%XX".
std::string percentEncode(std::string_view text);

} // namespace maker
