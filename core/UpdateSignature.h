#pragma once

// The maker's signature on an update file: a minisign signature (Ed25519) in NAME.minisig beside
// the file, made with one of the keys the program trusts.
//
// A signature file holds an untrusted comment, the signature (its algorithm, "ED" over the file's
// BLAKE2b-512 or the legacy "Ed" over the file itself, the key's id and 64 bytes), a trusted
// comment and the global signature over the signature's 64 bytes followed by the trusted
// comment's text. The file is the maker's when the key's id is a trusted key's and both
// signatures hold.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace core {

// A key the program trusts, from a minisign public key.
struct TrustedKey
{
    QByteArray id;  // 8 bytes, as the signatures name it
    QByteArray key; // the Ed25519 public key, 32 bytes

    // From a public key file's text or its base64 line alone; none when it is neither.
    static std::optional<TrustedKey> fromText(const QByteArray &text);
};

// "2476399E7F19C235": a key's id as minisign prints it.
QString keyIdText(const QByteArray &id);

struct SignatureCheck
{
    enum class Outcome {
        Signed,     // by a trusted key, over these bytes
        Unsigned,   // there is no signature
        OtherKey,   // a signature by a key that is not trusted
        Changed,    // the signature does not hold over these bytes
        Unreadable, // empty, cut short, malformed, or its trusted comment does not hold
    };

    Outcome outcome = Outcome::Unsigned;
    // The signing key's id, once the signature could be read.
    QString keyId;
    // The trusted comment, when Signed.
    QString comment;
};

// Checks bytes against the text of their signature file (none: there is no such file).
SignatureCheck checkSignature(const QByteArray &bytes,
                              const std::optional<QByteArray> &signature,
                              const QList<TrustedKey> &trusted);

// The keys of minisign public key lines; a line that is none is left out.
QList<TrustedKey> trustedKeys(const QList<QByteArray> &publicKeyLines);

// The update file as the scale gets it: read once, its signature checked on those bytes, and the
// same bytes loaded afterwards (loadIntelHex), so that what was checked is what is written.
struct UpdateFileRead
{
    bool read = false;
    // Why the file cannot be read, when it cannot: "PATH cannot be opened: REASON".
    QString error;
    QByteArray bytes;
    SignatureCheck signature;
    // The file's SHA-256, in hex digits.
    QString sha256;
};

// The signature file of an update file: PATH.minisig; at an address, the path's with .minisig
// appended (a query stays after it).
QString signaturePath(const QString &path);
QString signatureAddress(const QString &address);
UpdateFileRead readUpdateFile(const QString &path, const QList<TrustedKey> &trusted);
// Why a signature that does not hold is refused, in the user's words ("The update file's
// signature is not Kovara's."); empty for Signed and Unsigned.
QString refusalText(SignatureCheck::Outcome outcome);

} // namespace core
