#pragma once

// The maker's servers as the program's network sees them, with no network: a
// QNetworkAccessManager whose replies come from tables.
//
// The query endpoint answers the program's two questions: by default the program is current
// ("5.0") and no update is on offer ("N"), so a test that does not care sees no window and no
// box. A test sets the tables it wants, makes the next requests fail as a dead server would,
// serves files for GETs, or holds the replies to act while they are out. Every statement asked is
// recorded, deciphered. Replies arrive from the event loop, as the network's do.

#include "core/RecordTable.h"

#include <QByteArrayList>
#include <QHash>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QStringList>

#include <deque>
#include <map>

namespace testing_support {

class MakerQueries final : public QNetworkAccessManager
{
public:
    MakerQueries();

    // The answers to "SELECT CurrentVersion ..." and "SELECT SoftwareUpdate ...".
    RecordTable currentVersion;
    RecordTable softwareUpdate;

    // One record of the given fields.
    static RecordTable record(const QStringList &fields);
    // Sets the answer of the version question to one record with one field.
    void setVersion(const QString &value) { currentVersion = record({value}); }
    void setUpdate(const QString &value) { softwareUpdate = record({value}); }
    // The next question about that column ("CurrentVersion", "SoftwareUpdate") gets no HTTP
    // answer, as from a server that cannot be reached.
    void failNextAsking(const QByteArray &column, const QString &description);
    // The next query gets this body as it is (empty, an error page, "#ERR#...").
    void replyNextWith(const QByteArray &body) { m_rawReplies.push_back(body); }
    // A GET of url is answered with the status and body (others get 404).
    void serve(const QString &url, int status, const QByteArray &body);

    // Replies wait until releaseReplies() while this is set.
    bool holdReplies = false;
    void releaseReplies();
    int repliesOut() const;

    // How many statements asked for this column so far.
    int asked(const QByteArray &column) const;
    // The queries as they went out.
    struct Sent
    {
        QByteArray contentType;
        QByteArray body;
    };
    const QList<Sent> &sent() const { return m_sent; }
    // The addresses fetched with GET, in order.
    const QStringList &fetched() const { return m_fetched; }

    // A reply body as the maker's server sends it for a table: the record reply, enciphered under
    // the query key and percent-encoded.
    static QByteArray replyFor(const RecordTable &table);
    // A reply of any text, enciphered and percent-encoded ("#ERR#" and a message, say).
    static QByteArray enciphered(const QByteArray &text);
    // The statement a request body carries, deciphered.
    static QByteArray statementOf(const QByteArray &body);

protected:
    QNetworkReply *
    createRequest(Operation op, const QNetworkRequest &request, QIODevice *outgoingData) override;

private:
    class Reply;
    void deliver(Reply *reply);

    std::map<QByteArray, std::deque<QString>> m_columnFailures;
    std::deque<QByteArray> m_rawReplies;
    QHash<QString, QPair<int, QByteArray>> m_files;
    QList<QPointer<Reply>> m_held;
    QByteArrayList m_statements;
    QList<Sent> m_sent;
    QStringList m_fetched;
};

} // namespace testing_support
