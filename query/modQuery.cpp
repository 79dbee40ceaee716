#include "query/modQuery.h"

#include "core/Rc4.h"
#include "platform/BuildConfig.h"
#include "platform/Dialogs.h"
#include "platform/HttpRequest.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcQuery, "kovara.query")

namespace modQuery {

namespace {

constexpr char kExecuted[] = "Query Executed!";
constexpr char kError[] = "#ERR#";

// Sends one enciphered statement; returns the deciphered reply, or nothing when the body was
// empty (after telling the user).
bool sendQuery(const QByteArray &field,
               const QString &statement,
               const QString &url,
               QByteArray *reply)
{
    qCInfo(lcQuery).noquote() << field << statement << "to" << url;
    std::unique_ptr<platform::HttpRequest> request = platform::createHttpRequest();
    request->open("POST", url);
    request->setRequestHeader("Content-Type",
                              QByteArray("multipart/form-data, boundary=") + core::kBoundary);
    request->send(core::requestBody(field, statement.toLatin1()));
    const QByteArray body = request->responseText();
    if (body.isEmpty()) {
        qCWarning(lcQuery).noquote() << field << "to" << url << "got an empty reply";
        platform::MsgBox(QStringLiteral("No response from server"), platform::mb::OKOnly);
        return false;
    }
    QByteArray decoded = core::URLDecode(body);
    Rc4 rc4;
    *reply = rc4.DecryptString(decoded, core::QueryKey, false);
    return true;
}

} // namespace

QString QueryURL()
{
    return QString::fromUtf8(build_config::kMakerWebUrl) + QLatin1String(kQueryPath);
}

void ExecuteQuery(const QString &statement, const QString &url)
{
    QByteArray reply;
    if (!sendQuery("query", statement, url, &reply))
        return;
    if (reply != kExecuted) {
        qCWarning(lcQuery).noquote() << "query was not executed:" << reply.left(200);
        platform::MsgBox(QString::fromLatin1(reply), platform::mb::OKOnly);
    }
}

RecordTable RetrieveQuery(const QString &statement, const QString &url)
{
    QByteArray reply;
    if (!sendQuery("rquery", statement, url, &reply))
        return RecordTable();
    if (reply.startsWith(kError)) {
        qCWarning(lcQuery).noquote() << "server error:" << reply.mid(5).left(200);
        platform::MsgBox(QString::fromLatin1(reply.mid(5)), platform::mb::OKOnly);
        return RecordTable();
    }
    return core::ParseRecords(reply);
}

} // namespace modQuery
