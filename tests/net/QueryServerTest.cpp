// The maker server tool's query endpoint, which the demo and the tests stand on: statements reach
// its database, tables and errors come back, writes are refused unless allowed, and a browser's
// form reads as well as the program's.

#include "MakerPort.h"

#include "core/QueryCodec.h"
#include "core/Rc4.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class QueryServer : public ::testing::Test
{
protected:
    bool start(const QStringList &arguments = {})
    {
        m_server.reset();
        m_server = std::make_unique<testing_support::MakerServerProcess>(
            0, QStringList {QStringLiteral("--quiet")} + arguments);
        return !m_server->url().isEmpty();
    }

    // POSTs a body and gives the reply deciphered.
    QByteArray post(const QByteArray &contentType, const QByteArray &body)
    {
        QNetworkRequest request(QUrl(m_server->url() + "/kovarapc/samplecodes/sql-link.php"));
        request.setRawHeader("Content-Type", contentType);
        QNetworkReply *reply = m_network.post(request, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        QByteArray text = core::percentDecode(reply->readAll());
        delete reply;
        return core::rc4(core::kQueryKey, text);
    }
    // Sends a statement as the program does, in the field "rquery" (read) or "query" (write).
    QByteArray run(const QByteArray &statement, const QByteArray &field = "rquery")
    {
        return post(QByteArray("multipart/form-data, boundary=") + core::kBoundary,
                    core::requestBody(field, statement));
    }

    QNetworkAccessManager m_network;
    std::unique_ptr<testing_support::MakerServerProcess> m_server;
};

TEST_F(QueryServer, StatementsComeBackAsRecordRepliesOrErrors)
{
    ASSERT_TRUE(start({QStringLiteral("--version"), QStringLiteral("5.1")}));
    struct Row
    {
        QByteArray statement;
        QByteArray reply;
    };
    const Row rows[] = {
        {"SELECT CurrentVersion From KovaraPCPrograms WHERE Model ='NORVESSIA'", "1\n1\n5.1|"},
        {"SELECT Model, SoftwareUpdate FROM KovaraPCPrograms", "1\n2\nNORVESSIA|N|"},
        // Escapes, blanks, NULL and several records survive the trip.
        {"SELECT 'a|b\\c', ' two ', NULL UNION ALL SELECT '%+&', '', 7",
         "2\n3\na\\|b\\\\c| two ||%+&||7|"},
        {"SELECT 1 WHERE 0", "0\n1\n"},
        {"SELECT x FROM nowhere", "#ERR#no such table: nowhere"},
        {"SELECT 1; SELECT 2", "#ERR#one statement at a time"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(run(row.statement), row.reply) << row.statement.toStdString();
}

TEST_F(QueryServer, WritesAreRefusedUnlessAllowed)
{
    QTemporaryDir folder;
    const QString database = folder.filePath(QStringLiteral("maker.sqlite"));
    const QByteArray update
        = "UPDATE KovaraPCPrograms SET CurrentVersion = '9.9' WHERE Model = 'NORVESSIA'";
    const QByteArray select = "SELECT CurrentVersion FROM KovaraPCPrograms";

    ASSERT_TRUE(start({QStringLiteral("--db"), database}));
    for (const QByteArray &write : {update,
                                    QByteArray("DROP TABLE KovaraPCPrograms"),
                                    QByteArray("ATTACH DATABASE '/tmp/x.sqlite' AS x"),
                                    QByteArray("PRAGMA journal_mode = DELETE")})
        EXPECT_EQ(run(write, "query"), "#ERR#not authorized") << write.toStdString();
    EXPECT_EQ(run(select), "1\n1\n5.0|");

    // The same file with writes allowed: the change is carried out, and it stays in the file.
    ASSERT_TRUE(start({QStringLiteral("--db"), database, QStringLiteral("--allow-writes")}));
    EXPECT_EQ(run(update, "query"), "Query Executed!");
    ASSERT_TRUE(start({QStringLiteral("--db"), database}));
    EXPECT_EQ(run(select), "1\n1\n9.9|");

    EXPECT_FALSE(start({QStringLiteral("--db"), folder.filePath(QStringLiteral("no/m.sqlite"))}))
        << "a database it cannot open stops the server";
}

// The endpoint reads a browser's multipart body too (closing boundary, headers in any case), and
// answers a form without a statement with an error.
TEST_F(QueryServer, ReadsOtherFormShapes)
{
    ASSERT_TRUE(start());
    const QByteArray field = core::percentEncode(core::rc4(core::kQueryKey, "SELECT 'ok'"));
    EXPECT_EQ(post("multipart/form-data; boundary=\"xyz\"",
                   "--xyz\r\nContent-Disposition: form-data; name=\"rquery\"\r\n"
                   "Content-Type: text/plain\r\n\r\n"
                       + field + "\r\n--xyz--\r\n"),
              "1\n1\nok|");
    EXPECT_EQ(post("multipart/form-data, boundary=AaB03x", "--AaB03x\r\n\r\n--AaB03x"),
              "#ERR#No query received");
}

} // namespace
