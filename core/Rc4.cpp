#include "core/Rc4.h"

#include <array>
#include <cstdint>
#include <utility>

namespace core {

QByteArray rc4(const QByteArray &key, QByteArray data)
{
    if (key.isEmpty())
        return data;
    const auto *k = reinterpret_cast<const std::uint8_t *>(key.constData());
    const qsizetype length = key.size();
    std::array<std::uint8_t, 256> s;
    for (int a = 0; a < 256; ++a)
        s[a] = static_cast<std::uint8_t>(a);
    std::uint8_t j = 0;
    for (int a = 0; a < 256; ++a) {
        j = static_cast<std::uint8_t>(j + s[a] + k[a % length]);
        std::swap(s[a], s[j]);
    }
    std::uint8_t i = 0;
    j = 0;
    auto *bytes = reinterpret_cast<std::uint8_t *>(data.data());
    for (qsizetype o = 0; o < data.size(); ++o) {
        i = static_cast<std::uint8_t>(i + 1);
        j = static_cast<std::uint8_t>(j + s[i]);
        std::swap(s[i], s[j]);
        bytes[o] ^= s[static_cast<std::uint8_t>(s[i] + s[j])];
    }
    return data;
}

} // namespace core
