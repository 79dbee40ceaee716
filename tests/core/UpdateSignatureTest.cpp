// The maker's signature against files signed by minisign itself (tests/core/data), and every way
// a signature can fail to hold: each row changes the file, the signature or the keys trusted.

#include "core/UpdateSignature.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>

using Outcome = core::SignatureCheck::Outcome;

namespace {

QByteArray contents(const QString &name)
{
    QFile file(QStringLiteral(KOVARA_CORE_TEST_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray keyLine(const QString &path)
{
    QFile file(QStringLiteral(KOVARA_SOURCE_DIR "/") + path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Line 2 of a signature file, decoded, changed by edit and encoded again.
QByteArray withSignatureLine(QByteArray text, const std::function<void(QByteArray &)> &edit)
{
    QList<QByteArray> lines = text.split('\n');
    QByteArray line = QByteArray::fromBase64(lines[1]);
    edit(line);
    lines[1] = line.toBase64();
    return lines.join('\n');
}

} // namespace

TEST(UpdateSignature, HoldsOnlyForTheTrustedKeysOverTheSameBytes)
{
    const QByteArray file = contents(QStringLiteral("signed.hex"));
    const QByteArray signature = contents(QStringLiteral("signed.hex.minisig"));
    const QByteArray dev = keyLine(QStringLiteral("tools/maker-server/keys/dev.pub"));
    const QByteArray release = keyLine(QStringLiteral("packaging/keys/kovara-release.pub"));
    ASSERT_FALSE(file.isEmpty() || signature.isEmpty());
    QByteArray changed = file;
    changed[20] = changed[20] == '1' ? '2' : '1';
    QByteArray comment = signature;
    comment.replace("file:signed.hex", "file:other.hex");

    const struct
    {
        const char *what;
        QByteArray bytes;
        std::optional<QByteArray> signature;
        QList<QByteArray> keys;
        Outcome outcome;
    } rows[] = {
        {"prehashed (ED), as minisign -S signs", file, signature, {dev}, Outcome::Signed},
        {"legacy (Ed), as minisign -S -l signs",
         file,
         contents("legacy.minisig"),
         {dev},
         Outcome::Signed},
        {"the second of two trusted keys", file, signature, {release, dev}, Outcome::Signed},
        {"no signature file", file, std::nullopt, {dev}, Outcome::Unsigned},
        {"a key that is not trusted", file, signature, {release}, Outcome::OtherKey},
        {"another key's id in the signature",
         file,
         withSignatureLine(signature, [](QByteArray &l) { l[2] = char(l[2] ^ 1); }),
         {dev},
         Outcome::OtherKey},
        {"one byte of the file changed", changed, signature, {dev}, Outcome::Changed},
        {"one byte of the signature changed",
         file,
         withSignatureLine(signature, [](QByteArray &l) { l[40] = char(l[40] ^ 1); }),
         {dev},
         Outcome::Changed},
        {"the trusted comment changed", file, comment, {dev}, Outcome::Unreadable},
        {"an empty signature file", file, QByteArray(), {dev}, Outcome::Unreadable},
        {"a signature cut short",
         file,
         signature.left(signature.size() / 2),
         {dev},
         Outcome::Unreadable},
        {"an unknown algorithm",
         file,
         withSignatureLine(signature, [](QByteArray &l) { l[1] = 'X'; }),
         {dev},
         Outcome::Unreadable},
        {"no trusted key at all", file, signature, {}, Outcome::OtherKey},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const core::SignatureCheck check
            = core::checkSignature(row.bytes, row.signature, core::trustedKeys(row.keys));
        EXPECT_EQ(check.outcome, row.outcome);
        if (row.outcome == Outcome::Signed) {
            EXPECT_EQ(check.keyId, QStringLiteral("C72A388B9EA04F02"));
            EXPECT_FALSE(check.comment.isEmpty());
        }
    }
    const core::SignatureCheck signedCheck
        = core::checkSignature(file, signature, core::trustedKeys({dev}));
    EXPECT_EQ(signedCheck.comment, QStringLiteral("timestamp:1796800000\tfile:signed.hex\thashed"));
}
