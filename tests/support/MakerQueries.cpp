#include "MakerQueries.h"

#include "core/QueryCodec.h"
#include "core/Rc4.h"
#include "query/modQuery.h"

#include <gtest/gtest.h>

namespace testing_support {

class MakerQueries::Request final : public platform::HttpRequest
{
public:
    explicit Request(MakerQueries &owner)
        : m_owner(owner)
    { }
    void open(const QByteArray &, const QString &) override { }
    void setRequestHeader(const QByteArray &, const QByteArray &) override { }
    void send(const QByteArray &body) override { m_response = m_owner.answer(body); }
    QByteArray responseText() const override { return m_response; }

private:
    MakerQueries &m_owner;
    QByteArray m_response;
};

MakerQueries::MakerQueries()
    : currentVersion(record({QStringLiteral("5.0")}))
    , softwareUpdate(record({QStringLiteral("N")}))
{ }

RecordTable MakerQueries::record(const QStringList &fields)
{
    RecordTable table(1, int(fields.size()));
    for (int i = 0; i < fields.size(); ++i)
        table.setCell(0, i, fields.at(i));
    return table;
}

void MakerQueries::failNext(int number, const QString &description)
{
    m_failures.push_back(Failure {number, description});
}

int MakerQueries::asked(const QByteArray &column) const
{
    int count = 0;
    for (const QByteArray &statement : m_statements)
        count += statement.contains(column) ? 1 : 0;
    return count;
}

QByteArray MakerQueries::replyFor(const RecordTable &table)
{
    QByteArray text = QByteArray::number(table.records()) + '\n'
        + QByteArray::number(table.isEmpty() ? 1 : table.fields()) + '\n';
    for (int r = 0; r < table.records(); ++r) {
        for (int f = 0; f < table.fields(); ++f) {
            QByteArray cell = table.cell(r, f).toLatin1();
            cell.replace("\\", "\\\\").replace("|", "\\|");
            text += cell + '|';
        }
    }
    Rc4 rc4;
    return core::URLEncode(rc4.EncryptString(text, core::QueryKey));
}

QByteArray MakerQueries::statementOf(const QByteArray &body)
{
    const qsizetype start = body.indexOf("\r\n\r\n") + 4;
    QByteArray cipher = core::URLDecode(body.mid(start, body.lastIndexOf("\r\n--") - start));
    Rc4 rc4;
    return rc4.DecryptString(cipher, core::QueryKey);
}

QByteArray MakerQueries::answer(const QByteArray &body)
{
    const QByteArray statement = statementOf(body);
    m_statements << statement;
    if (during)
        during(statement);
    if (!m_failures.empty()) {
        const Failure failure = m_failures.front();
        m_failures.pop_front();
        throw platform::HttpError(failure.number, failure.description);
    }
    if (statement.contains("CurrentVersion"))
        return replyFor(currentVersion);
    if (statement.contains("SoftwareUpdate"))
        return replyFor(softwareUpdate);
    ADD_FAILURE() << "the maker double has no answer to " << statement.toStdString();
    throw platform::HttpError(99, QStringLiteral("no answer in the maker double"));
}

std::unique_ptr<platform::HttpRequest> MakerQueries::create()
{
    return std::make_unique<Request>(*this);
}

} // namespace testing_support
