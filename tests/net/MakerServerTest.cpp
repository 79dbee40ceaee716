// The maker server tool, which the demo and the tests stand on: its query endpoint (statements
// reach its database, tables and errors come back in the protocol's coding, written apart from
// the program's) and its built-in files. Its fault routes are met by the download's tests, each
// row naming the route it takes.

#include "MakerPort.h"

#include "core/QueryCodec.h"
#include "core/Rc4.h"

#include <QEventLoop>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
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

    QByteArray get(const QString &path)
    {
        QNetworkReply *reply = m_network.get(QNetworkRequest(QUrl(m_server->url() + path)));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const QByteArray body = reply->readAll();
        delete reply;
        return body;
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

TEST_F(QueryServer, BuiltInFilesAreServedAtTheMakersPaths)
{
    ASSERT_TRUE(start());
    EXPECT_FALSE(
        QImage::fromData(get("/KovaraDownload/norvessiaupdatebanner.jpg"), "JPEG").isNull());
    EXPECT_FALSE(get("/KovaraDownload/KovaraNorvessia_PCProgram.exe").isEmpty());
    EXPECT_TRUE(get("/Manuals/KovaraNorvessia_Manual.pdf").startsWith("%PDF-"));
    EXPECT_TRUE(get("/kovarapc/norvessia/kovaranorvessia.htm").contains("<html"));
}

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

} // namespace
