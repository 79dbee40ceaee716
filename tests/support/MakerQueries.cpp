#include "MakerQueries.h"

#include "core/QueryCodec.h"
#include "core/Rc4.h"

#include <QNetworkReply>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>

namespace testing_support {

class MakerQueries::Reply final : public QNetworkReply
{
public:
    Reply(Operation op, const QNetworkRequest &request, QObject *parent)
        : QNetworkReply(parent)
    {
        setRequest(request);
        setOperation(op);
        setUrl(request.url());
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    // What the reply will be once delivered.
    int status = 0;
    QByteArray body;
    QString failure;

    void deliver()
    {
        if (isFinished())
            return;
        if (!failure.isEmpty()) {
            end(QNetworkReply::ConnectionRefusedError, failure);
            return;
        }
        setAttribute(QNetworkRequest::HttpStatusCodeAttribute, status);
        setHeader(QNetworkRequest::ContentLengthHeader, body.size());
        if (status / 100 != 2)
            setError(QNetworkReply::ContentNotFoundError, QStringLiteral("Not found"));
        setFinished(true);
        Q_EMIT metaDataChanged();
        Q_EMIT readyRead();
        Q_EMIT finished();
    }

    void abort() override
    {
        if (!isFinished())
            end(QNetworkReply::OperationCanceledError, QStringLiteral("Operation canceled"));
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        return (isFinished() ? body.size() - m_read : 0) + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (!isFinished() || m_read >= body.size())
            return isFinished() ? -1 : 0;
        const qint64 n = std::min<qint64>(maxSize, body.size() - m_read);
        std::memcpy(data, body.constData() + m_read, size_t(n));
        m_read += n;
        return n;
    }

private:
    void end(NetworkError code, const QString &text)
    {
        setError(code, text);
        setFinished(true);
        Q_EMIT errorOccurred(code);
        Q_EMIT finished();
    }

    qint64 m_read = 0;
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

void MakerQueries::failNextAsking(const QByteArray &column, const QString &description)
{
    m_columnFailures[column].push_back(description);
}

void MakerQueries::serve(const QString &url, int status, const QByteArray &body)
{
    m_files.insert(url, {status, body});
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
    return enciphered(text);
}

QByteArray MakerQueries::enciphered(const QByteArray &text)
{
    return core::percentEncode(core::rc4(core::kQueryKey, text));
}

QByteArray MakerQueries::statementOf(const QByteArray &body)
{
    const qsizetype start = body.indexOf("\r\n\r\n") + 4;
    return core::rc4(core::kQueryKey,
                     core::percentDecode(body.mid(start, body.lastIndexOf("\r\n--") - start)));
}

QNetworkReply *
MakerQueries::createRequest(Operation op, const QNetworkRequest &request, QIODevice *outgoingData)
{
    auto *reply = new Reply(op, request, this);
    const QString url = request.url().toString();
    if (op == PostOperation) {
        const QByteArray body = outgoingData ? outgoingData->readAll() : QByteArray();
        m_sent << Sent {request.rawHeader("Content-Type"), body};
        const QByteArray statement = statementOf(body);
        m_statements << statement;
        reply->status = 200;
        for (auto &[column, failures] : m_columnFailures) {
            if (statement.contains(column) && !failures.empty()) {
                reply->failure = failures.front();
                failures.pop_front();
            }
        }
        if (!m_rawReplies.empty()) {
            reply->body = m_rawReplies.front();
            m_rawReplies.pop_front();
        } else if (statement.contains("CurrentVersion")) {
            reply->body = replyFor(currentVersion);
        } else if (statement.contains("SoftwareUpdate")) {
            reply->body = replyFor(softwareUpdate);
        } else {
            ADD_FAILURE() << "the maker double has no answer to " << statement.toStdString();
        }
    } else {
        m_fetched << url;
        const auto file = m_files.value(url, {404, QByteArray("not found")});
        reply->status = file.first;
        reply->body = file.second;
    }
    if (holdReplies)
        m_held << reply;
    else
        QTimer::singleShot(0, reply, [reply] { reply->deliver(); });
    return reply;
}

void MakerQueries::releaseReplies()
{
    holdReplies = false;
    for (const QPointer<Reply> &reply : std::exchange(m_held, {}))
        if (reply)
            reply->deliver();
}

int MakerQueries::repliesOut() const
{
    return int(std::count_if(m_held.begin(), m_held.end(), [](const QPointer<Reply> &reply) {
        return reply && !reply->isFinished();
    }));
}

} // namespace testing_support
