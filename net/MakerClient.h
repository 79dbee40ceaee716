#pragma once

// The program's two questions to the maker's query endpoint (which program version is the
// latest, is an update for the scale on offer) and the fetch of one of the maker's files.
//
// MakerService is what the wizard's flow uses; MakerClient does it over HTTP. A question is a
// statement enciphered under the query key and POSTed as a multipart form; the reply is
// percent-decoded, deciphered and read as a record table. Every exchange reports by a signal once
// it has ended, and ends within the time-out. Nothing is shown to the user: what went wrong comes
// back as the text to tell.

#include <QObject>
#include <QString>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class RecordTable;

namespace net {

struct MakerAnswer
{
    // The fields of the last record joined in field order, blanks at either end trimmed; none
    // when no record came.
    std::optional<QString> value;
    // What went wrong, as the user is told it ("Error: " and the network's description, "No
    // response from server", the server's own message); empty when nothing did.
    QString problem;
};

class MakerService : public QObject
{
    Q_OBJECT
public:
    enum class Question { LatestVersion, UpdateOffer };
    Q_ENUM(Question)

    using QObject::QObject;

    virtual void ask(Question question) = 0;
    // Fetches the file at url whole into folder under the name that ends the address, replacing
    // a file of that name. Only a success answer (2xx) whose every byte is on disk counts; a
    // failure leaves what was there.
    virtual void fetchFile(const QString &url, const QString &folder) = 0;

Q_SIGNALS:
    void answered(net::MakerService::Question question, const net::MakerAnswer &answer);
    // The path of the file written, or empty when the fetch failed.
    void fileFetched(const QString &url, const QString &path);
};

class MakerClient final : public MakerService
{
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 30000;

    // queryUrl is the address of the query endpoint; timeoutMs bounds each exchange, from
    // connecting to the last byte.
    MakerClient(QNetworkAccessManager &network,
                QString queryUrl,
                int timeoutMs = kDefaultTimeoutMs,
                QObject *parent = nullptr);

    // The statement each question sends.
    static QByteArray statement(Question question);

    void ask(Question question) override;
    void fetchFile(const QString &url, const QString &folder) override;

private:
    QNetworkReply *send(QNetworkReply *reply);
    MakerAnswer readAnswer(QNetworkReply *reply);

    QNetworkAccessManager &m_network;
    QString m_queryUrl;
    int m_timeoutMs;
};

// Text without the blanks at either end; a tab or a line end is not a blank and stays.
QString trimBlanks(const QString &text);
// The fields of the last record joined in field order; empty for the empty table.
QString lastRecordText(const RecordTable &table);

} // namespace net
