// The cipher against published keystreams, its round trips, key handling, progress events and
// file operations.

#include "core/Rc4.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(static_cast<char>(b));
    return bytes;
}

TEST(RC4, MatchesPublishedKeystreams)
{
    // RFC 6229, 40-bit key 0102030405, keystream at offsets 0 and 16.
    Rc4 rc4;
    QByteArray stream(32, '\0');
    rc4.EncryptByte(stream, QByteArray::fromHex("0102030405"));
    EXPECT_EQ(stream.left(16).toHex(), "b2396305f03dc027ccc3524a0a1118a8");
    EXPECT_EQ(stream.mid(16).toHex(), "6982944f18fc82d589c403a47a0d0919");

    // The classic text vectors, through the hex form of EncryptString.
    Rc4 text;
    EXPECT_EQ(text.EncryptString("Plaintext", "Key", true), "BBF316E8D940AF0AD3");
    EXPECT_EQ(text.EncryptString("pedia", "Wiki", true), "1021BF0420");
    const QByteArray dawn = text.EncryptString("Attack at dawn", "Secret", true);
    EXPECT_EQ(dawn, "45A01F645FC35B383552544B9BF5");
}

TEST(RC4, RoundTripsRawAndHex)
{
    Rc4 rc4;
    const QByteArray plain = allBytes() + "KovaraPCPrograms";
    const QByteArray raw = rc4.EncryptString(plain, "KWZQMPLTRVSNHDXBF");
    EXPECT_NE(raw, plain);
    EXPECT_EQ(raw.size(), plain.size());
    QByteArray rawIn = raw;
    EXPECT_EQ(rc4.DecryptString(rawIn, "KWZQMPLTRVSNHDXBF"), plain);

    const QByteArray hex = rc4.EncryptString(plain, {}, true);
    EXPECT_EQ(hex, raw.toHex().toUpper());
    QByteArray hexIn = hex;
    EXPECT_EQ(rc4.DecryptString(hexIn, {}, true), plain);
    EXPECT_EQ(hexIn, raw) << "the caller's variable receives the decoded text";

    QByteArray bytes = plain;
    rc4.EncryptByte(bytes);
    rc4.DecryptByte(bytes);
    EXPECT_EQ(bytes, plain);
}

TEST(RC4, KeyHandling)
{
    Rc4 fresh;
    const QByteArray plain = allBytes();
    EXPECT_EQ(fresh.EncryptString(plain), plain) << "no key yet: the keystream is all zeros";
    QByteArray bytes = plain;
    fresh.EncryptByte(bytes);
    EXPECT_EQ(bytes, plain);

    Rc4 rc4;
    const QByteArray first = rc4.EncryptString("same text", "one");
    EXPECT_EQ(rc4.EncryptString("same text"), first) << "a key given once stays";
    EXPECT_EQ(rc4.EncryptString("same text"), first) << "every call starts a fresh keystream";
    rc4.Key(QByteArray());
    EXPECT_EQ(rc4.EncryptString("same text"), first) << "an empty key changes nothing";
    rc4.Key("two");
    EXPECT_NE(rc4.EncryptString("same text"), first);
    EXPECT_EQ(rc4.EncryptString("same text", "one"), first);
}

TEST(RC4, HexFormOnTheZeroState)
{
    Rc4 rc4; // leaves data unchanged, so only the hex conversions act
    EXPECT_EQ(rc4.EncryptString(QByteArray("\x00\x0A\xFF", 3), {}, true), "000AFF");
    QByteArray lower = "000aff";
    EXPECT_EQ(rc4.DecryptString(lower, {}, true), QByteArray("\x00\x0A\xFF", 3));
    QByteArray odd = "ABC";
    EXPECT_EQ(rc4.DecryptString(odd, {}, true), QByteArray("\xAB\x0C", 2));
    QByteArray broken = "G1A";
    EXPECT_EQ(rc4.DecryptString(broken, {}, true), QByteArray("\x00\x0A", 2))
        << "reading stops at a non-hex character; no digits read as 0";
}

std::vector<int> progressOf(int size)
{
    Rc4 rc4;
    std::vector<int> events;
    QObject::connect(&rc4, &Rc4::Progress, &rc4, [&](int percent) { events.push_back(percent); });
    QByteArray bytes(size, 'x');
    rc4.EncryptByte(bytes, "key");
    return events;
}

TEST(RC4, ProgressSequence)
{
    std::vector<int> expected;
    for (int p = 0; p <= 100; ++p)
        expected.push_back(p);
    EXPECT_EQ(progressOf(1000), expected);
    EXPECT_EQ(progressOf(0), std::vector<int> {100});
    // Fewer bytes than percents: one event per byte, then 100.
    EXPECT_EQ(progressOf(7), (std::vector<int> {0, 14, 28, 42, 57, 71, 85, 100}));
    // Halves round to even: 150 bytes give the next event at offset 2 (2.5), not 3.
    const std::vector<int> events = progressOf(150);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[1], 1);
    EXPECT_EQ(events.back(), 100);
}

class RC4Files : public ::testing::Test
{
protected:
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    void write(const char *name, const QByteArray &content)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray read(const char *name)
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_dir;
    Rc4 rc4;
};

TEST_F(RC4Files, RoundTripAndOverwriteRules)
{
    write("plain", allBytes());
    ASSERT_TRUE(rc4.EncryptFile(path("plain"), path("cipher"), false, "file key"));
    QByteArray expected = allBytes();
    Rc4().EncryptByte(expected, "file key");
    EXPECT_EQ(read("cipher"), expected);

    // An existing output without Overwrite: refused, both files unchanged.
    write("other", "other");
    EXPECT_FALSE(rc4.EncryptFile(path("plain"), path("other"), false));
    EXPECT_FALSE(rc4.DecryptFile(path("cipher"), path("other"), false));
    EXPECT_EQ(read("other"), "other");
    EXPECT_EQ(read("plain"), allBytes());

    // With Overwrite the output is replaced; the key given before still holds.
    EXPECT_TRUE(rc4.DecryptFile(path("cipher"), path("other"), true));
    EXPECT_EQ(read("other"), allBytes());
}

TEST_F(RC4Files, FailuresGiveFalseAndWriteNothing)
{
    EXPECT_FALSE(rc4.EncryptFile(path("missing"), path("out"), true, "k"));
    write("empty", QByteArray());
    EXPECT_FALSE(rc4.EncryptFile(path("empty"), path("out"), true, "k"));
    EXPECT_FALSE(QFile::exists(path("out")));
    write("plain", "data");
    EXPECT_FALSE(rc4.EncryptFile(path("plain"), path("no-such-folder/out"), true, "k"));
    // A folder where the output should go is not replaced.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    EXPECT_FALSE(rc4.EncryptFile(path("plain"), path("folder"), true, "k"));
    EXPECT_TRUE(QFileInfo(path("folder")).isDir());
}

} // namespace
