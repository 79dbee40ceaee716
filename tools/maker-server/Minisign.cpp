#include "Minisign.h"

#include <sodium.h>

#include <algorithm>
#include <fstream>

namespace maker {

namespace {

std::string toBase64(const std::string &bytes)
{
    std::string text(sodium_base64_encoded_len(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(text.data(),
                      text.size(),
                      reinterpret_cast<const unsigned char *>(bytes.data()),
                      bytes.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    text.resize(text.find('\0'));
    return text;
}

std::optional<std::string> fromBase64(const std::string &text)
{
    std::string bytes(text.size(), '\0');
    size_t length = 0;
    if (sodium_base642bin(reinterpret_cast<unsigned char *>(bytes.data()),
                          bytes.size(),
                          text.data(),
                          text.size(),
                          "\r\n ",
                          &length,
                          nullptr,
                          sodium_base64_VARIANT_ORIGINAL)
        != 0)
        return std::nullopt;
    bytes.resize(length);
    return bytes;
}

std::string bytesOf(const unsigned char *data, size_t size)
{
    return std::string(reinterpret_cast<const char *>(data), size);
}

std::string detached(const SigningKey &key, const std::string &message)
{
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature,
                         nullptr,
                         reinterpret_cast<const unsigned char *>(message.data()),
                         message.size(),
                         key.secret.data());
    return bytesOf(signature, sizeof(signature));
}

} // namespace

std::optional<SigningKey> readSigningKey(const std::string &path, std::string *error)
{
    const auto fail = [error](const std::string &why) -> std::optional<SigningKey> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (sodium_init() < 0)
        return fail("libsodium cannot start");
    std::ifstream in(path);
    std::string comment, line;
    if (!std::getline(in, comment) || !std::getline(in, line))
        return fail(path + " cannot be read");
    // "Ed", the password's algorithm (none: 0), the checksum's ("B2"), salt, limits, then the id,
    // the secret key and a checksum that minisign leaves zero for a key without a password.
    const auto bytes = fromBase64(line);
    if (!bytes || bytes->size() != 158 || bytes->compare(0, 2, "Ed") != 0)
        return fail(path + " is not a minisign secret key");
    if ((*bytes)[2] != 0 || (*bytes)[3] != 0)
        return fail(path + " is protected by a password; make the key with minisign -G -W");
    SigningKey key;
    std::copy(bytes->begin() + 54, bytes->begin() + 62, key.id.begin());
    std::copy(bytes->begin() + 62, bytes->begin() + 126, key.secret.begin());
    return key;
}

SigningKey newSigningKey()
{
    SigningKey key;
    if (sodium_init() < 0)
        return key;
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    crypto_sign_keypair(publicKey, key.secret.data());
    randombytes_buf(key.id.data(), key.id.size());
    return key;
}

std::string publicKeyLine(const SigningKey &key)
{
    // The public key is the second half of libsodium's secret key.
    return toBase64("Ed" + bytesOf(key.id.data(), key.id.size())
                    + bytesOf(key.secret.data() + 32, 32));
}

std::string signatureText(const SigningKey &key,
                          const std::string &bytes,
                          const std::string &trustedComment,
                          bool legacy)
{
    std::string message = bytes;
    if (!legacy) {
        unsigned char hash[crypto_generichash_BYTES_MAX];
        crypto_generichash(hash,
                           sizeof(hash),
                           reinterpret_cast<const unsigned char *>(bytes.data()),
                           bytes.size(),
                           nullptr,
                           0);
        message = bytesOf(hash, sizeof(hash));
    }
    const std::string signature = detached(key, message);
    const std::string global = detached(key, signature + trustedComment);
    return "untrusted comment: signature from the maker server tool's key\n"
        + toBase64((legacy ? "Ed" : "ED") + bytesOf(key.id.data(), key.id.size()) + signature)
        + "\ntrusted comment: " + trustedComment + "\n" + toBase64(global) + "\n";
}

} // namespace maker
