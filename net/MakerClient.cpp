#include "net/MakerClient.h"

#include "core/QueryCodec.h"
#include "core/Rc4.h"
#include "core/RecordTable.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

namespace net {

namespace {

constexpr char kError[] = "#ERR#";
const char *const kTimedOut = "kovaraTimedOut";

QNetworkRequest requestFor(const QString &url)
{
    QNetworkRequest request {QUrl(url)};
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Bodies are counted in the bytes the server sent.
    request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

bool isWebAddress(const QString &url)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    return parsed.isValid() && !parsed.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// The description of an exchange that got no HTTP answer.
QString failureText(const QNetworkReply *reply, int timeoutMs)
{
    if (reply->property(kTimedOut).toBool())
        return MakerClient::tr("The server did not answer within %1 seconds")
            .arg(timeoutMs / 1000.0, 0, 'g', 3);
    return reply->errorString();
}

} // namespace

MakerClient::MakerClient(QNetworkAccessManager &network,
                         QString queryUrl,
                         int timeoutMs,
                         QObject *parent)
    : MakerService(parent)
    , m_network(network)
    , m_queryUrl(std::move(queryUrl))
    , m_timeoutMs(timeoutMs)
{ }

QByteArray MakerClient::statement(Question question)
{
    switch (question) {
    case Question::LatestVersion:
        return "SELECT CurrentVersion From KovaraPCPrograms WHERE Model ='NORVESSIA'";
    case Question::UpdateOffer:
        return "SELECT SoftwareUpdate From KovaraPCPrograms WHERE Model ='NORVESSIA'";
    }
    return {};
}

QNetworkReply *MakerClient::send(QNetworkReply *reply)
{
    // The whole exchange is bounded, not only the silences within it.
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [reply] {
        reply->setProperty(kTimedOut, true);
        reply->abort();
    });
    deadline->start(m_timeoutMs);
    return reply;
}

void MakerClient::ask(Question question)
{
    const QByteArray sql = statement(question);
    qCInfo(lcQuery).noquote() << "rquery" << sql << "to" << m_queryUrl;
    if (!isWebAddress(m_queryUrl)) {
        MakerAnswer answer;
        answer.problem = tr("Error: Not a web address: %1").arg(m_queryUrl);
        QMetaObject::invokeMethod(
            this,
            [this, question, answer] { Q_EMIT answered(question, answer); },
            Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request = requestFor(m_queryUrl);
    request.setRawHeader("Content-Type",
                         QByteArray("multipart/form-data, boundary=") + core::kBoundary);
    QNetworkReply *reply = send(m_network.post(request, core::requestBody("rquery", sql)));
    connect(reply, &QNetworkReply::finished, this, [this, reply, question] {
        reply->deleteLater();
        Q_EMIT answered(question, readAnswer(reply));
    });
}

MakerAnswer MakerClient::readAnswer(QNetworkReply *reply)
{
    MakerAnswer answer;
    // Any HTTP answer counts, error pages included: its body is the reply.
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        const QString description = failureText(reply, m_timeoutMs);
        qCWarning(lcQuery).noquote() << "no answer from the maker's server:" << description;
        answer.problem = QStringLiteral("Error: ") + description;
        return answer;
    }
    const QByteArray body = reply->readAll();
    if (body.isEmpty()) {
        qCWarning(lcQuery).noquote() << "the maker's server gave an empty reply";
        answer.problem = tr("No response from server");
        return answer;
    }
    QByteArray decoded = core::percentDecode(body);
    const QByteArray text = core::rc4(core::kQueryKey, decoded);
    if (text.startsWith(kError)) {
        qCWarning(lcQuery).noquote() << "server error:" << text.mid(5).left(200);
        answer.problem = QString::fromLatin1(text.mid(5));
        return answer;
    }
    const RecordTable table = core::parseRecords(text);
    if (!table.isEmpty())
        answer.value = trimBlanks(lastRecordText(table));
    qCInfo(lcQuery).noquote() << "answer:" << answer.value.value_or(QStringLiteral("(no record)"));
    return answer;
}

void MakerClient::fetchFile(const QString &url, const QString &folder)
{
    const QString name = url.section(QLatin1Char('/'), -1);
    if (name.isEmpty() || !isWebAddress(url)) {
        qCWarning(lcQuery).noquote() << "not a file address:" << url;
        QMetaObject::invokeMethod(
            this, [this, url] { Q_EMIT fileFetched(url, QString()); }, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request = requestFor(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = send(m_network.get(request));
    connect(reply, &QNetworkReply::finished, this, [this, reply, url, folder, name] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QByteArray bytes = reply->readAll();
        if (reply->error() != QNetworkReply::NoError || status / 100 != 2) {
            // An error page is not the file: nothing is written.
            qCWarning(lcQuery).noquote() << "could not fetch" << url << "status" << status
                                         << failureText(reply, m_timeoutMs);
            Q_EMIT fileFetched(url, QString());
            return;
        }
        const QString path = folder + QLatin1Char('/') + name;
        // Written beside the destination and moved into place whole.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()
            || !file.commit()) {
            qCWarning(lcQuery).noquote() << "cannot write" << path << file.errorString();
            Q_EMIT fileFetched(url, QString());
            return;
        }
        qCInfo(lcQuery).noquote() << "fetched" << url << "into" << path << bytes.size() << "bytes";
        Q_EMIT fileFetched(url, path);
    });
}

QString trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QString lastRecordText(const RecordTable &table)
{
    QString text;
    for (int record = 0; record < table.records(); ++record) {
        text.clear();
        for (int field = 0; field < table.fields(); ++field)
            text += table.cell(record, field);
    }
    return text;
}

} // namespace net
