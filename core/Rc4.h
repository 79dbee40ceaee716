#pragma once

// The RC4 stream cipher (ARC4) that the maker's query protocol enciphers with. Enciphering and
// deciphering are the same operation; an empty key leaves the data as it is.

#include <QByteArray>

namespace core {

QByteArray rc4(const QByteArray &key, QByteArray data);

} // namespace core
