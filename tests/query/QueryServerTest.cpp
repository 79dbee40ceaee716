// The query protocol end to end against the maker server tool: statements reach its database,
// tables and errors come back, writes are refused unless allowed.

#include "MakerPort.h"
#include "TestPlatform.h"
#include "core/QueryCodec.h"
#include "core/Rc4.h"
#include "query/modQuery.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class QueryServer : public ::testing::Test
{
protected:
    QueryServer() { platform.useRealQueries(); }

    // A server with extra arguments; its query address, or "" when it did not start.
    QString start(const QStringList &arguments = {})
    {
        m_server = std::make_unique<testing_support::MakerServerProcess>(
            0, QStringList {QStringLiteral("--quiet")} + arguments);
        if (m_server->url().isEmpty())
            return QString();
        return m_server->url() + QLatin1String(modQuery::kQueryPath);
    }
    void stop() { m_server.reset(); }

    testing_support::TestPlatform platform;
    std::unique_ptr<testing_support::MakerServerProcess> m_server;
};

TEST_F(QueryServer, RecordQueriesComeBackAsTables)
{
    const QString url = start({QStringLiteral("--version"), QStringLiteral("5.1")});
    ASSERT_FALSE(url.isEmpty());

    const RecordTable version = modQuery::RetrieveQuery(
        QStringLiteral("SELECT CurrentVersion From KovaraPCPrograms WHERE Model ='NORVESSIA'"),
        url);
    ASSERT_EQ(version.records(), 1);
    ASSERT_EQ(version.fields(), 1);
    EXPECT_EQ(version.cell(0, 0), QStringLiteral("5.1"));

    const RecordTable row = modQuery::RetrieveQuery(
        QStringLiteral("SELECT Model, CurrentVersion, SoftwareUpdate FROM KovaraPCPrograms"), url);
    ASSERT_EQ(row.fields(), 3);
    EXPECT_EQ(row.cell(0, 0), QStringLiteral("NORVESSIA"));
    EXPECT_EQ(row.cell(0, 2), QStringLiteral("N")) << "seeded when the database was created";

    // Escapes, blanks, NULL and several records survive the trip.
    const RecordTable values = modQuery::RetrieveQuery(
        QStringLiteral("SELECT 'a|b\\c', ' two words ', NULL UNION ALL SELECT '%+&', '', 7"), url);
    ASSERT_EQ(values.records(), 2);
    ASSERT_EQ(values.fields(), 3);
    EXPECT_EQ(values.cell(0, 0), QStringLiteral("a|b\\c"));
    EXPECT_EQ(values.cell(0, 1), QStringLiteral(" two words "));
    EXPECT_EQ(values.cell(0, 2), QString());
    EXPECT_EQ(values.cell(1, 0), QStringLiteral("%+&"));
    EXPECT_EQ(values.cell(1, 2), QStringLiteral("7"));

    EXPECT_TRUE(modQuery::RetrieveQuery(QStringLiteral("SELECT 1 WHERE 0"), url).isEmpty())
        << "no rows is no answer";
    EXPECT_TRUE(platform.dialogs.boxes().empty());
}

TEST_F(QueryServer, SqlErrorsAreShown)
{
    const QString url = start();
    ASSERT_FALSE(url.isEmpty());
    platform.dialogs.answer(platform::mb::OK);
    platform.dialogs.answer(platform::mb::OK);
    EXPECT_TRUE(modQuery::RetrieveQuery(QStringLiteral("SELECT x FROM nowhere"), url).isEmpty());
    EXPECT_TRUE(modQuery::RetrieveQuery(QStringLiteral("SELECT 1; SELECT 2"), url).isEmpty());
    EXPECT_EQ(platform.dialogs.texts(),
              (QStringList {QStringLiteral("no such table: nowhere"),
                            QStringLiteral("one statement at a time")}));
}

TEST_F(QueryServer, WritesAreRefusedUnlessAllowed)
{
    QTemporaryDir folder;
    const QString database = folder.filePath(QStringLiteral("maker.sqlite"));
    const QString update = QStringLiteral(
        "UPDATE KovaraPCPrograms SET CurrentVersion = '9.9' WHERE Model = 'NORVESSIA'");
    const QString select = QStringLiteral("SELECT CurrentVersion FROM KovaraPCPrograms");

    QString url = start({QStringLiteral("--db"), database});
    ASSERT_FALSE(url.isEmpty());
    for (int i = 0; i < 4; ++i)
        platform.dialogs.answer(platform::mb::OK);
    modQuery::ExecuteQuery(update, url);
    modQuery::ExecuteQuery(QStringLiteral("DROP TABLE KovaraPCPrograms"), url);
    modQuery::ExecuteQuery(QStringLiteral("ATTACH DATABASE '/tmp/x.sqlite' AS x"), url);
    modQuery::ExecuteQuery(QStringLiteral("PRAGMA journal_mode = DELETE"), url);
    ASSERT_EQ(platform.dialogs.boxes().size(), 4u);
    for (const QString &text : platform.dialogs.texts())
        EXPECT_EQ(text, QStringLiteral("#ERR#not authorized"));
    EXPECT_EQ(modQuery::RetrieveQuery(select, url).cell(0, 0), QStringLiteral("5.0"));

    // The same file with writes allowed: the change is carried out, and it stays in the file.
    stop();
    platform.dialogs.clear();
    url = start({QStringLiteral("--db"), database, QStringLiteral("--allow-writes")});
    ASSERT_FALSE(url.isEmpty());
    modQuery::ExecuteQuery(update, url);
    EXPECT_TRUE(platform.dialogs.boxes().empty()) << "\"Query Executed!\" shows nothing";
    stop();
    url = start({QStringLiteral("--db"), database});
    ASSERT_FALSE(url.isEmpty());
    EXPECT_EQ(modQuery::RetrieveQuery(select, url).cell(0, 0), QStringLiteral("9.9"));
}

// The endpoint reads a browser's multipart body too (closing boundary, headers in any case), and
// answers a form without a statement with an error.
TEST_F(QueryServer, ReadsOtherFormShapes)
{
    const QString url = start();
    ASSERT_FALSE(url.isEmpty());
    Rc4 rc4;
    const QByteArray field = core::URLEncode(rc4.EncryptString("SELECT 'ok'", core::QueryKey));
    auto post = [&](const QByteArray &type, const QByteArray &body) {
        platform::QtHttpRequest request(10000);
        request.open("POST", url);
        request.setRequestHeader("Content-Type", type);
        request.send(body);
        QByteArray reply = core::URLDecode(request.responseText());
        return Rc4().DecryptString(reply, core::QueryKey);
    };
    EXPECT_EQ(post("multipart/form-data; boundary=\"xyz\"",
                   "--xyz\r\nContent-Disposition: form-data; name=\"rquery\"\r\n"
                   "Content-Type: text/plain\r\n\r\n"
                       + field + "\r\n--xyz--\r\n"),
              "1\n1\nok|");
    EXPECT_EQ(post("multipart/form-data, boundary=AaB03x", "--AaB03x\r\n\r\n--AaB03x"),
              "#ERR#No query received");
}

TEST_F(QueryServer, RefusesToStartOnADatabaseItCannotOpen)
{
    QTemporaryDir folder;
    EXPECT_TRUE(
        start({QStringLiteral("--db"), folder.filePath(QStringLiteral("missing/maker.sqlite"))})
            .isEmpty());
}

} // namespace
