#include "core/UpdateSignature.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <sodium.h>

#include <algorithm>

namespace core {

namespace {

constexpr int kKeyIdBytes = 8;
constexpr qsizetype kSignatureLine = 2 + kKeyIdBytes + crypto_sign_BYTES;
constexpr qsizetype kPublicKeyLine = 2 + kKeyIdBytes + crypto_sign_PUBLICKEYBYTES;

std::optional<QByteArray> fromBase64(const QByteArray &text, qsizetype size)
{
    const auto decoded
        = QByteArray::fromBase64Encoding(text.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size)
        return std::nullopt;
    return decoded.decoded;
}

bool holds(const QByteArray &signature, const QByteArray &message, const QByteArray &key)
{
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(signature.data()),
                                       reinterpret_cast<const unsigned char *>(message.data()),
                                       quint64(message.size()),
                                       reinterpret_cast<const unsigned char *>(key.data()))
        == 0;
}

QByteArray blake2b512(const QByteArray &bytes)
{
    QByteArray hash(crypto_generichash_BYTES_MAX, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char *>(hash.data()),
                       size_t(hash.size()),
                       reinterpret_cast<const unsigned char *>(bytes.data()),
                       quint64(bytes.size()),
                       nullptr,
                       0);
    return hash;
}

} // namespace

std::optional<TrustedKey> TrustedKey::fromText(const QByteArray &text)
{
    QList<QByteArray> lines = text.trimmed().split('\n');
    if (lines.size() == 2 && lines.first().startsWith("untrusted comment:"))
        lines.removeFirst();
    if (lines.size() != 1)
        return std::nullopt;
    const auto bytes = fromBase64(lines.first(), kPublicKeyLine);
    if (!bytes || !bytes->startsWith("Ed"))
        return std::nullopt;
    return TrustedKey {bytes->mid(2, kKeyIdBytes), bytes->mid(2 + kKeyIdBytes)};
}

QString keyIdText(const QByteArray &id)
{
    // The id's bytes are a little-endian number.
    QByteArray bigEndian = id;
    std::reverse(bigEndian.begin(), bigEndian.end());
    return QString::fromLatin1(bigEndian.toHex().toUpper());
}

SignatureCheck checkSignature(const QByteArray &bytes,
                              const std::optional<QByteArray> &signature,
                              const QList<TrustedKey> &trusted)
{
    using Outcome = SignatureCheck::Outcome;
    SignatureCheck check;
    if (!signature)
        return check;
    check.outcome = Outcome::Unreadable;
    QList<QByteArray> lines = signature->split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const QByteArray trustedPrefix = "trusted comment: ";
    if (lines.size() != 4 || !lines.at(0).startsWith("untrusted comment:")
        || !lines.at(2).startsWith(trustedPrefix))
        return check;
    const auto line = fromBase64(lines.at(1), kSignatureLine);
    const auto global = fromBase64(lines.at(3), crypto_sign_BYTES);
    if (!line || !global)
        return check;
    const QByteArray algorithm = line->left(2);
    const QByteArray id = line->mid(2, kKeyIdBytes);
    const QByteArray signed64 = line->mid(2 + kKeyIdBytes);
    if (algorithm != "ED" && algorithm != "Ed")
        return check;
    check.keyId = keyIdText(id);

    if (sodium_init() < 0)
        return check;
    const auto key = std::find_if(
        trusted.begin(), trusted.end(), [&id](const TrustedKey &k) { return k.id == id; });
    if (key == trusted.end()) {
        check.outcome = Outcome::OtherKey;
        return check;
    }
    if (!holds(signed64, algorithm == "ED" ? blake2b512(bytes) : bytes, key->key)) {
        check.outcome = Outcome::Changed;
        return check;
    }
    const QByteArray comment = lines.at(2).mid(trustedPrefix.size());
    if (!holds(*global, signed64 + comment, key->key))
        return check;
    check.outcome = Outcome::Signed;
    check.comment = QString::fromUtf8(comment);
    return check;
}

QList<TrustedKey> trustedKeys(const QList<QByteArray> &publicKeyLines)
{
    QList<TrustedKey> keys;
    for (const QByteArray &line : publicKeyLines) {
        if (auto key = TrustedKey::fromText(line))
            keys.append(*key);
    }
    return keys;
}

QString signaturePath(const QString &path)
{
    return path + QStringLiteral(".minisig");
}

QString signatureAddress(const QString &address)
{
    QUrl url(address);
    url.setPath(url.path(QUrl::FullyEncoded) + QStringLiteral(".minisig"), QUrl::StrictMode);
    return url.toString(QUrl::FullyEncoded);
}

UpdateFileRead readUpdateFile(const QString &path, const QList<TrustedKey> &trusted)
{
    UpdateFileRead file;
    QFile in(path);
    const auto failed = [&file, &in, &path] {
        file.error = QStringLiteral("%1 cannot be opened: %2")
                         .arg(QDir::toNativeSeparators(path), in.errorString());
        return file;
    };
    if (!in.open(QIODevice::ReadOnly))
        return failed();
    file.bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return failed();
    file.read = true;
    file.sha256 = QString::fromLatin1(
        QCryptographicHash::hash(file.bytes, QCryptographicHash::Sha256).toHex());
    // A signature file that is there but cannot be read is no signature that holds.
    std::optional<QByteArray> signature;
    QFile signatureFile(signaturePath(path));
    if (signatureFile.exists())
        signature = signatureFile.open(QIODevice::ReadOnly) ? signatureFile.read(4096) : "";
    file.signature = checkSignature(file.bytes, signature, trusted);
    return file;
}

QString refusalText(SignatureCheck::Outcome outcome)
{
    const auto tr = [](const char *text) {
        return QCoreApplication::translate("core::UpdateSignature", text);
    };
    switch (outcome) {
    case SignatureCheck::Outcome::OtherKey:
        return tr("The update file's signature is not Kovara's.");
    case SignatureCheck::Outcome::Changed:
        return tr("The update file was changed after Kovara signed it.");
    case SignatureCheck::Outcome::Unreadable:
        return tr("The update file's signature cannot be read.");
    case SignatureCheck::Outcome::Signed:
    case SignatureCheck::Outcome::Unsigned:
        break;
    }
    return {};
}

} // namespace core
