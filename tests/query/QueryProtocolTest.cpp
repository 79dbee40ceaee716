// The query protocol's codec: percent coding and the reply parser.

#include "LogCapture.h"
#include "core/QueryCodec.h"

#include <gtest/gtest.h>

namespace {

using core::NextField;
using core::NextToken;
using core::ParseRecords;
using core::URLDecode;
using core::URLEncode;

TEST(URLCoding, EncodesEverythingButLettersAndDigits)
{
    EXPECT_EQ(URLEncode(QByteArray("\x41\x20\x0A\xFF", 4)), "A%20%0A%FF");
    EXPECT_EQ(URLEncode(QByteArray("\x00\x0F\x10", 3)), "%00%0F%10");
    EXPECT_EQ(URLEncode(" -._~+%"), "%20%2D%2E%5F%7E%2B%25");
    EXPECT_EQ(URLEncode("AZaz09"), "AZaz09");
    EXPECT_EQ(URLEncode("@[`{/:"), "%40%5B%60%7B%2F%3A") << "the neighbours of the kept ranges";
    EXPECT_EQ(URLEncode(QByteArray()), QByteArray());
}

TEST(URLCoding, DecodesRepliesAndAlwaysEnds)
{
    EXPECT_EQ(URLDecode("+"), " ");
    EXPECT_EQ(URLDecode("%41%62"), "Ab");
    EXPECT_EQ(URLDecode("a%4"), QByteArray("a\x04", 2));
    EXPECT_EQ(URLDecode("abc%"), "abc") << "a final % is dropped";
    EXPECT_EQ(URLDecode("%"), QByteArray());
    EXPECT_EQ(URLDecode("%4G%zzq"), QByteArray("\x04\x00q", 3))
        << "up to two hex digits, none reads as 0; the escape is three characters long";
    EXPECT_EQ(URLDecode("%e9-x"), "\xE9-x");
    const QByteArray all = [] {
        QByteArray bytes;
        for (int b = 0; b < 256; ++b)
            bytes.append(static_cast<char>(b));
        return bytes;
    }();
    EXPECT_EQ(URLDecode(URLEncode(all)), all);
}

TEST(ReplyParsing, NextTokenTakesUpToTheSeparator)
{
    QByteArray text = "12\n  3 \n";
    EXPECT_EQ(NextToken(text, "\n"), "12");
    EXPECT_EQ(text, "3 \n") << "leading blanks go, the line feed at the end stays";
    text = "a\n \r\nb  ";
    EXPECT_EQ(NextToken(text, "\n"), "a");
    EXPECT_EQ(text, "\r\nb") << "only blanks are trimmed";
    text = "no separator";
    EXPECT_EQ(NextToken(text, "\n"), "no separator");
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(NextToken(text, "\n"), QByteArray());
    text = "a::b";
    EXPECT_EQ(NextToken(text, "::"), "a");
    EXPECT_EQ(text, "b");
}

TEST(ReplyParsing, NextFieldResolvesEscapes)
{
    QByteArray text = "a\\|b|c\\\\d|";
    EXPECT_EQ(NextField(text), "a|b");
    EXPECT_EQ(NextField(text), "c\\d");
    EXPECT_TRUE(text.isEmpty());

    text = "x\\y|z|";
    EXPECT_EQ(NextField(text), "xy|z") << "a pending escape survives other characters";
    EXPECT_TRUE(text.isEmpty());

    text = "a\\b";
    EXPECT_EQ(NextField(text), "a\\b") << "without any | the text comes back as it is";
    EXPECT_TRUE(text.isEmpty());

    text = "ab\\|cd";
    EXPECT_EQ(NextField(text), "ab|cd") << "the text ran out before the field ended";
    EXPECT_TRUE(text.isEmpty());
    text = "|x|";
    EXPECT_EQ(NextField(text), QByteArray());
    EXPECT_EQ(text, "x|");
}

TEST(ReplyParsing, RecordReplies)
{
    EXPECT_TRUE(ParseRecords("0\nthe rest is not read|").isEmpty());
    EXPECT_TRUE(ParseRecords(QByteArray()).isEmpty());
    EXPECT_TRUE(ParseRecords("#ERR#no such table").isEmpty());
    EXPECT_TRUE(ParseRecords("<html>error page</html>").isEmpty());
    EXPECT_TRUE(ParseRecords("1\n0\n").isEmpty()) << "no fields";
    EXPECT_TRUE(ParseRecords("-1\n1\nx|").isEmpty());

    const RecordTable one = ParseRecords("1\n1\n5.1|");
    ASSERT_EQ(one.records(), 1);
    ASSERT_EQ(one.fields(), 1);
    EXPECT_EQ(one.cell(0, 0), QStringLiteral("5.1"));

    const RecordTable escaped = ParseRecords("1\n2\na\\|b|c\\\\d|");
    ASSERT_EQ(escaped.fields(), 2);
    EXPECT_EQ(escaped.cell(0, 0), QStringLiteral("a|b"));
    EXPECT_EQ(escaped.cell(0, 1), QStringLiteral("c\\d"));

    const RecordTable short_ = ParseRecords("1\n2\nabc");
    ASSERT_EQ(short_.fields(), 2);
    EXPECT_EQ(short_.cell(0, 0), QStringLiteral("abc"));
    EXPECT_EQ(short_.cell(0, 1), QString());

    const RecordTable rows = ParseRecords(" 2 \n2\nNORVESSIA|5.1|OTHER|\xE9|");
    ASSERT_EQ(rows.records(), 2);
    EXPECT_EQ(rows.cell(1, 0), QStringLiteral("OTHER"));
    EXPECT_EQ(rows.cell(1, 1), QString(QChar(0xE9))) << "one character per byte";

    EXPECT_NE(RecordTable(), RecordTable(1, 1)) << "the empty table is not a table of one cell";
}

TEST(ReplyParsing, AbsurdCountsAreNoAnswer)
{
    testing_support::LogCapture log("kovara.query");
    EXPECT_TRUE(ParseRecords("32767\n32767\nx|").isEmpty());
    EXPECT_TRUE(ParseRecords("1000\n1001\n").isEmpty());
    EXPECT_TRUE(ParseRecords("1000001\n1\n").isEmpty());
    EXPECT_TRUE(ParseRecords("99999999999999999999\n99999999999999999999\n").isEmpty());
    EXPECT_EQ(log.lines().size(), 4);
    EXPECT_TRUE(log.lines().value(0).contains(QStringLiteral("32767")));

    const RecordTable largest = ParseRecords("1000\n1000\nfirst|");
    EXPECT_EQ(largest.records(), 1000);
    EXPECT_EQ(largest.fields(), 1000);
    EXPECT_EQ(largest.cell(0, 0), QStringLiteral("first"));
    EXPECT_EQ(ParseRecords("40000\n2\n").records(), 40000) << "records beyond 32767 are read";
}

} // namespace
