// The query protocol's codec: percent coding both ways, and the record replies as the maker's
// server writes them, quirks included.

#include "LogCapture.h"

#include "core/QueryCodec.h"

#include <gtest/gtest.h>

namespace {

using core::parseRecords;
using core::percentDecode;
using core::percentEncode;

TEST(PercentCoding, EncodesAllButLettersAndDigitsAndDecodesRepliesToTheirEnd)
{
    const std::pair<QByteArray, QByteArray> encoded[] = {
        {QByteArray("\x41\x20\x0A\xFF\x00\x0F\x10", 7), "A%20%0A%FF%00%0F%10"},
        {" -._~+%", "%20%2D%2E%5F%7E%2B%25"},
        {"AZaz09", "AZaz09"},
        {"@[`{/:", "%40%5B%60%7B%2F%3A"}, // the neighbours of the kept ranges
    };
    for (const auto &[plain, coded] : encoded)
        EXPECT_EQ(percentEncode(plain), coded);
    const std::pair<QByteArray, QByteArray> decoded[] = {
        {"+", " "},
        {"%41%62%e9-x", "Ab\xE9-x"},
        {"a%4", QByteArray("a\x04", 2)},
        {"abc%", "abc"}, // a final % is dropped
        {"%", ""},
        // Up to two hex digits, none reads as 0; the escape is three characters long.
        {"%4G%zzq", QByteArray("\x04\x00q", 3)},
    };
    for (const auto &[coded, plain] : decoded)
        EXPECT_EQ(percentDecode(coded), plain) << coded.toStdString();
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(percentDecode(percentEncode(all)), all);
}

TEST(ReplyParsing, RecordRepliesAndTheirQuirks)
{
    const struct
    {
        QByteArray reply;
        int records, fields;
        QStringList cells; // row by row
    } rows[] = {
        {"1\n1\n5.1|", 1, 1, {"5.1"}},
        // Blanks around the counts go; escapes \| and \\ resolve, a pending escape survives
        // other characters.
        {" 2 \n2\nNORVESSIA|5.1|a\\|b|c\\\\d|", 2, 2, {"NORVESSIA", "5.1", "a|b", "c\\d"}},
        {"1\n2\nx\\y|z|", 1, 2, {"xy|z", ""}},
        // A text without any | is taken whole; one that runs out ends the field.
        {"1\n2\nabc", 1, 2, {"abc", ""}},
        {"1\n2\nab\\|cd", 1, 2, {"ab|cd", ""}},
        {"1\n2\n|x|", 1, 2, {"", "x"}},
        {"1\n1\n\xE9|", 1, 1, {QString(QChar(0xE9))}}, // one character per byte
        {"1000\n1000\nfirst|", 1000, 1000, {"first"}}, // the most cells a reply may have
        {"40000\n2\n", 40000, 2, {}},                  // records beyond 32767 are read
        // No answer: no records, no fields, a negative count, an error or another page.
        {"0\nthe rest is not read|", 0, 0, {}},
        {"", 0, 0, {}},
        {"#ERR#no such table", 0, 0, {}},
        {"<html>error page</html>", 0, 0, {}},
        {"1\n0\n", 0, 0, {}},
        {"-1\n1\nx|", 0, 0, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.reply.left(40).toStdString());
        const RecordTable table = parseRecords(row.reply);
        ASSERT_EQ(table.records(), row.records);
        ASSERT_EQ(table.fields(), row.fields);
        for (int i = 0; i < row.cells.size(); ++i)
            EXPECT_EQ(table.cell(i / row.fields, i % row.fields), row.cells.at(i));
    }
    EXPECT_NE(RecordTable(), RecordTable(1, 1)) << "the empty table is not a table of one cell";
}

TEST(ReplyParsing, AbsurdCountsAreNoAnswerAndSaySo)
{
    testing_support::LogCapture log("kovara.query");
    for (const char *reply : {"32767\n32767\nx|",
                              "1000\n1001\n",
                              "1000001\n1\n",
                              "99999999999999999999\n99999999999999999999\n"})
        EXPECT_TRUE(parseRecords(reply).isEmpty()) << reply;
    EXPECT_EQ(log.lines().size(), 4);
    EXPECT_TRUE(log.lines().value(0).contains(QStringLiteral("32767")));
}

} // namespace
