// The query protocol without a network: percent coding, the reply parser, the request body and
// the handling of every kind of reply, with a scripted request object.

#include "LogCapture.h"
#include "ScriptedHttp.h"
#include "TestPlatform.h"
#include "core/QueryCodec.h"
#include "core/Rc4.h"
#include "query/modQuery.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using core::NextField;
using core::NextToken;
using core::ParseRecords;
using core::URLDecode;
using core::URLEncode;

const QByteArray kVersionStatement
    = "SELECT CurrentVersion From KovaraPCPrograms WHERE Model ='NORVESSIA'";

// A reply body as the maker's server sends it: enciphered under the query key, percent-encoded.
QByteArray serverReply(const QByteArray &text)
{
    Rc4 rc4;
    return URLEncode(rc4.EncryptString(text, core::QueryKey));
}

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

class QueryExchange : public ::testing::Test
{
protected:
    testing_support::TestPlatform platform;
    testing_support::ScriptedHttp http;
    const QString url = QStringLiteral("http://127.0.0.1:1/kovarapc/samplecodes/sql-link.php");
};

// The body was computed apart from the program (data/make_request_body.py): the statement
// enciphered and percent-coded in a multipart form, field "rquery" to read, "query" to execute.
TEST_F(QueryExchange, SendsTheExactRequest)
{
    QFile file(QStringLiteral(KOVARA_QUERY_DATA "/select_current_version.body"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray expected = file.readAll();
    http.reply(serverReply("1\n1\n5.0|"));
    http.reply(serverReply("Query Executed!"));

    const RecordTable table = modQuery::RetrieveQuery(QString::fromLatin1(kVersionStatement), url);
    modQuery::ExecuteQuery(QString::fromLatin1(kVersionStatement), url);

    ASSERT_EQ(http.sent().size(), 2u);
    for (const auto &sent : http.sent()) {
        EXPECT_EQ(sent.method, "POST");
        EXPECT_EQ(sent.url, url);
        ASSERT_EQ(sent.headers.size(), 1);
        EXPECT_EQ(sent.headers.front().first, "Content-Type");
        EXPECT_EQ(sent.headers.front().second, "multipart/form-data, boundary=AaB03x");
    }
    EXPECT_EQ(http.sent()[0].body, expected);
    EXPECT_EQ(http.sent()[1].body,
              QByteArray(expected).replace("name=\"rquery\"", "name=\"query\""));
    EXPECT_EQ(table.cell(0, 0), QStringLiteral("5.0"));
    EXPECT_TRUE(platform.dialogs.boxes().empty());
}

TEST_F(QueryExchange, FailuresAreShownAndGiveTheEmptyTable)
{
    http.reply(QByteArray());
    http.reply(serverReply("#ERR#no such table: nowhere"));
    http.reply(serverReply("#ERR#"));
    http.reply("<html><body>500 Internal Server Error</body></html>");
    platform.dialogs.answer(platform::mb::OK);
    platform.dialogs.answer(platform::mb::OK);
    platform.dialogs.answer(platform::mb::OK);

    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(modQuery::RetrieveQuery(QStringLiteral("SELECT 1"), url).isEmpty()) << i;

    EXPECT_EQ(platform.dialogs.texts(),
              (QStringList {QStringLiteral("No response from server"),
                            QStringLiteral("no such table: nowhere"),
                            QString()}));
    for (const auto &box : platform.dialogs.boxes()) {
        EXPECT_EQ(box.buttons, platform::mb::OKOnly);
        EXPECT_EQ(box.icon, 0);
        EXPECT_EQ(box.title, platform::applicationTitle());
    }
}

TEST_F(QueryExchange, ExecuteShowsAnythingButSuccess)
{
    http.reply(serverReply("Query Executed!"));
    http.reply(serverReply("query executed!"));
    http.reply(serverReply("#ERR#not authorized"));
    http.reply(QByteArray());
    for (int i = 0; i < 3; ++i)
        platform.dialogs.answer(platform::mb::OK);
    for (int i = 0; i < 4; ++i)
        modQuery::ExecuteQuery(QStringLiteral("UPDATE x SET y = 1"), url);
    EXPECT_EQ(platform.dialogs.texts(),
              (QStringList {QStringLiteral("query executed!"),
                            QStringLiteral("#ERR#not authorized"),
                            QStringLiteral("No response from server")}));
}

} // namespace
