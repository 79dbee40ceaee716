// The cipher against published keystreams and known texts; deciphering is enciphering again.

#include "core/Rc4.h"

#include <gtest/gtest.h>

TEST(RC4, MatchesPublishedVectorsAndUndoesItself)
{
    const struct
    {
        QByteArray key, plain, cipher; // hex, text, hex
    } rows[] = {
        // RFC 6229, 40-bit key 0102030405: the keystream at offsets 0 and 16.
        {"0102030405",
         QByteArray(32, '\0'),
         "b2396305f03dc027ccc3524a0a1118a86982944f18fc82d589c403a47a0d0919"},
        {QByteArray("Key").toHex(), "Plaintext", "bbf316e8d940af0ad3"},
        {QByteArray("Wiki").toHex(), "pedia", "1021bf0420"},
        {QByteArray("Secret").toHex(), "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
    };
    for (const auto &row : rows) {
        const QByteArray key = QByteArray::fromHex(row.key);
        EXPECT_EQ(core::rc4(key, row.plain).toHex(), row.cipher) << row.plain.toStdString();
        EXPECT_EQ(core::rc4(key, core::rc4(key, row.plain)), row.plain);
    }
    EXPECT_EQ(core::rc4({}, "as it is"), "as it is");
}
