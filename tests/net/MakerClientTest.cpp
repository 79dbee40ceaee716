// The maker client's two questions and its file fetch: over real HTTP against the maker server
// tool (answers, a dead server, a silent one, files byte for byte), and against hand-made
// answers for the reply shapes the tool never sends.

#include "ScriptedSocketServer.h"

#include "MakerServer.h"
#include "UpdateFile.h"
#include "core/QueryCodec.h"
#include "core/Rc4.h"

#include "net/MakerClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

using net::MakerAnswer;
using net::MakerClient;
using Question = MakerClient::Question;

const QString kQueryPath = QStringLiteral("/kovarapc/samplecodes/sql-link.php");

// Starts a question or fetch and waits up to 10 s for the client's report of it: the signal's
// second argument.
template<class Value, class Signal>
std::optional<Value> report(MakerClient &client, Signal signal, const std::function<void()> &start)
{
    QObject scope;
    std::optional<Value> value;
    QObject::connect(&client, signal, &scope, [&](auto, const Value &got) { value = got; });
    start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return value.has_value(); }, 10000));
    return value;
}

MakerAnswer ask(MakerClient &client, Question question)
{
    return report<MakerAnswer>(client, &MakerClient::answered, [&] { client.ask(question); })
        .value_or(MakerAnswer {});
}

QString fetch(MakerClient &client, const QString &url, const QString &folder)
{
    return report<QString>(
               client, &MakerClient::fileFetched, [&] { client.fetchFile(url, folder); })
        .value_or(QStringLiteral("(no report)"));
}

TEST(MakerClient, AServerThatDoesNotAnswerIsAProblemWithinTheTimeOut)
{
    QNetworkAccessManager network;
    testing_support::ScriptedSocketServer silent;
    struct Row
    {
        QString url;
        const char *problem;
    };
    for (const Row &row :
         {Row {silent.url(kQueryPath), "The server did not answer within 0.3 seconds"},
          Row {testing_support::closedPortUrl(kQueryPath), "Connection refused"}}) {
        SCOPED_TRACE(row.problem);
        MakerClient client(network, row.url, 300);
        QElapsedTimer clock;
        clock.start();
        const MakerAnswer answer = ask(client, Question::LatestVersion);
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_FALSE(answer.value);
        EXPECT_TRUE(answer.problem.startsWith(QStringLiteral("Error: ")));
        EXPECT_TRUE(answer.problem.contains(QString::fromLatin1(row.problem), Qt::CaseInsensitive))
            << answer.problem.toStdString();
    }
}

// The body was computed apart from the program (data/make_request_body.py): the statement
// enciphered and percent-coded in a multipart form, field "rquery".
TEST(MakerClient, SendsTheExactRequestAndReadsEveryReplyShape)
{
    QNetworkAccessManager network;
    QFile expected(QStringLiteral(KOVARA_QUERY_DATA "/select_current_version.body"));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    const auto coded = [](const QByteArray &text) {
        return core::percentEncode(core::rc4(core::kQueryKey, text));
    };
    const struct
    {
        QByteArray body;
        std::optional<QString> value;
        QString problem;
    } rows[] = {
        {coded("2\n1\n5.1|5.2|"), QStringLiteral("5.2"), {}}, // the last record counts
        {coded("0\n1\n"), std::nullopt, {}},
        {QByteArray(), std::nullopt, QStringLiteral("No response from server")},
        {coded("#ERR#no such table: nowhere"),
         std::nullopt,
         QStringLiteral("no such table: nowhere")},
        {"<html><body>500 Internal Server Error</body></html>", std::nullopt, {}},
    };
    for (const auto &row : rows) {
        testing_support::ScriptedSocketServer server(
            {"HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(row.body.size())
             + "\r\n\r\n" + row.body},
            testing_support::ScriptedSocketServer::After::Close);
        MakerClient client(network, server.url());
        const MakerAnswer answer = ask(client, Question::LatestVersion);
        EXPECT_EQ(answer.value, row.value) << row.body.left(40).toStdString();
        EXPECT_EQ(answer.problem, row.problem) << row.body.left(40).toStdString();
        const qsizetype end = server.request.indexOf("\r\n\r\n");
        EXPECT_TRUE(server.request.left(end).contains(
            "\r\nContent-Type: multipart/form-data, boundary=AaB03x\r\n"));
        EXPECT_EQ(server.request.mid(end + 4), expected.readAll());
        expected.seek(0);
    }
}

TEST(MakerClient, FetchesAFileWholeOrLeavesWhatWasThere)
{
    QNetworkAccessManager network;
    testing_support::MakerServer server;
    ASSERT_FALSE(server.url().isEmpty());
    MakerClient client(network, server.url() + kQueryPath);
    QTemporaryDir folder;
    const QString banner = QStringLiteral("norvessiaupdatebanner.jpg");
    const QString source = QStringLiteral(KOVARA_BIN_DIR "/maker-files/") + banner;

    QFile stale(folder.filePath(banner));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("stale");
    stale.close();
    EXPECT_EQ(
        fetch(client, server.url() + QStringLiteral("/KovaraDownload/") + banner, folder.path()),
        folder.filePath(banner));
    EXPECT_EQ(testing_support::readFile(folder.filePath(banner)), testing_support::readFile(source))
        << "replaced byte for byte";

    const QString missing = QStringLiteral("/KovaraDownload/nothing.jpg");
    EXPECT_EQ(fetch(client, server.url() + missing, folder.path()), QString());
    EXPECT_EQ(fetch(client, server.url() + QStringLiteral("/KovaraDownload/"), folder.path()),
              QString());
    EXPECT_EQ(fetch(client,
                    server.url() + QStringLiteral("/KovaraDownload/") + banner,
                    folder.filePath(QStringLiteral("missing"))),
              QString());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList {banner})
        << "no error page and no partial file";
}

} // namespace
