#pragma once

// Signing as the maker signs its update files with minisign: a secret key file made without a
// password (minisign -G -W), and the NAME.minisig text of a file. Plain C++ and libsodium, so
// that the tests of every system can sign with it too.

#include <array>
#include <optional>
#include <string>

namespace maker {

struct SigningKey
{
    std::array<unsigned char, 8> id {};
    // libsodium's Ed25519 secret key: the seed, then the public key.
    std::array<unsigned char, 64> secret {};
};

// The key of a minisign secret key file; none (and why in error) when it cannot be read or is
// protected by a password.
std::optional<SigningKey> readSigningKey(const std::string &path, std::string *error = nullptr);
// A new key, for a signature by a key nobody trusts.
SigningKey newSigningKey();
// The base64 line of the key's public key file.
std::string publicKeyLine(const SigningKey &key);
// The text of the signature file of bytes: over their BLAKE2b-512 ("ED", as minisign -S), or over
// the bytes themselves (legacy "Ed", as minisign -S -l).
std::string signatureText(const SigningKey &key,
                          const std::string &bytes,
                          const std::string &trustedComment,
                          bool legacy = false);

} // namespace maker
