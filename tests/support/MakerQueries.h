#pragma once

// A double of the maker's query endpoint for the program's own row, with no network.
//
// Loading the main window asks the maker's server two questions (is there an update for the
// scale, is there a newer program), so every test that loads it needs an answer. TestPlatform
// installs one of these as `maker`: by default the program is current ("5.0") and no update is
// on offer ("N"), so a test that does not care sees no window and no box. A test sets the tables
// it wants, makes the next requests fail as a dead server would, or acts while a request blocks.
// Every statement asked is recorded, deciphered.

#include "core/RecordTable.h"
#include "platform/HttpRequest.h"

#include <QByteArrayList>

#include <deque>
#include <functional>

namespace testing_support {

class MakerQueries final : public platform::HttpRequestFactory
{
public:
    MakerQueries();

    // The answers to "SELECT CurrentVersion ..." and "SELECT SoftwareUpdate ...".
    RecordTable currentVersion;
    RecordTable softwareUpdate;
    // Runs while a request blocks, with the statement (to deliver a timer tick meanwhile, say).
    std::function<void(const QByteArray &statement)> during;

    // One record of the given fields.
    static RecordTable record(const QStringList &fields);
    // Sets the answer of the version question to one record with one field.
    void setVersion(const QString &value) { currentVersion = record({value}); }
    void setUpdate(const QString &value) { softwareUpdate = record({value}); }
    // The next request raises HttpError(number, description), as a server that cannot be
    // reached does.
    void failNext(int number, const QString &description);

    const QByteArrayList &statements() const { return m_statements; }
    // How many statements asked for this column so far.
    int asked(const QByteArray &column) const;

    // A reply body as the maker's server sends it for a table: the record reply, enciphered under
    // the query key and percent-encoded.
    static QByteArray replyFor(const RecordTable &table);
    // The statement a request body carries, deciphered.
    static QByteArray statementOf(const QByteArray &body);

    std::unique_ptr<platform::HttpRequest> create() override;

private:
    class Request;
    struct Failure
    {
        int number;
        QString description;
    };
    QByteArray answer(const QByteArray &body);

    std::deque<Failure> m_failures;
    QByteArrayList m_statements;
};

} // namespace testing_support
