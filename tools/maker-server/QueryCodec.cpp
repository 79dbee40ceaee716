#include "QueryCodec.h"

#include <cstdint>
#include <utility>

namespace maker {

std::string rc4(std::string_view key, std::string_view data)
{
    std::uint8_t s[256];
    for (int k = 0; k < 256; ++k)
        s[k] = static_cast<std::uint8_t>(k);
    if (!key.empty()) {
        unsigned j = 0;
        for (unsigned k = 0; k < 256; ++k) {
            j = (j + s[k] + static_cast<std::uint8_t>(key[k % key.size()])) & 0xFF;
            std::swap(s[k], s[j]);
        }
    }
    std::string out(data);
    unsigned i = 0;
    unsigned j = 0;
    for (char &c : out) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        c = static_cast<char>(static_cast<std::uint8_t>(c) ^ s[(s[i] + s[j]) & 0xFF]);
    }
    return out;
}

namespace {
int hex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && at + 2 < text.size() && hex(text[at + 1]) >= 0
                   && hex(text[at + 2]) >= 0) {
            out += static_cast<char>(hex(text[at + 1]) * 16 + hex(text[at + 2]));
            at += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string percentEncode(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
            || c == '_' || c == '.') {
            out += c;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 0x0F];
        }
    }
    return out;
}

} // namespace maker
