#include "platform/HttpTransfer.h"

#include "platform/Dialogs.h"
#include "platform/Services.h"

#include <QAuthenticator>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>

Q_LOGGING_CATEGORY(lcHttp, "kovara.http")

namespace platform {

namespace {

// Errors Qt reports for an HTTP answer that did come (4xx, 5xx): they are answers, not failures.
bool isHttpAnswerError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied
            && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError
            && error <= QNetworkReply::UnknownServerError)
        || error == QNetworkReply::AuthenticationRequiredError;
}

HttpTransferFactory *&installedFactory()
{
    static HttpTransferFactory *factory = nullptr;
    return factory;
}

} // namespace

QByteArray HttpTransfer::OpenURL(const QString &url, bool *ok)
{
    Execute(url, QStringLiteral("GET"), QString());
    while (StillExecuting())
        clock().waitForEvents(100);
    QByteArray body;
    if (!headerText().isEmpty()) {
        for (QByteArray chunk = GetChunk(64 * 1024); !chunk.isEmpty(); chunk = GetChunk(64 * 1024))
            body += chunk;
    }
    if (ok)
        *ok = !headerText().isEmpty() && failure() == NoFailure;
    return body;
}

QtHttpTransfer::QtHttpTransfer(int connectTimeoutMs, int readTimeoutMs)
    : m_connectTimeoutMs(connectTimeoutMs)
    , m_readTimeoutMs(readTimeoutMs)
{ }

QtHttpTransfer::~QtHttpTransfer()
{
    dropReply();
}

void QtHttpTransfer::setCredentials(const QString &userName, const QString &password)
{
    m_userName = userName;
    m_password = password;
}

void QtHttpTransfer::Execute(const QString &url, const QString &method, const QString &headerText)
{
    dropReply();
    m_headerText.clear();
    m_headersIn = false;
    m_finished = false;
    m_gaveCredentials = false;
    m_failure = NoFailure;
    m_failureText.clear();

    if (!m_manager) {
        m_manager = std::make_unique<QNetworkAccessManager>();
        QObject::connect(m_manager.get(),
                         &QNetworkAccessManager::authenticationRequired,
                         m_manager.get(),
                         [this](QNetworkReply *reply, QAuthenticator *authenticator) {
                             if (reply != m_reply || m_gaveCredentials || m_userName.isEmpty())
                                 return;
                             m_gaveCredentials = true;
                             authenticator->setUser(m_userName);
                             authenticator->setPassword(m_password);
                         });
    }

    const QUrl address(url);
    m_host = address.host();
    QNetworkRequest request(address);
    request.setHeader(QNetworkRequest::UserAgentHeader, applicationTitle());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Compressed bodies would have no Content-Length and ranges that do not count file bytes.
    request.setRawHeader("Accept-Encoding", "identity");
    const QStringList lines = headerText.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        request.setRawHeader(line.left(colon).trimmed().toLatin1(),
                             line.mid(colon + 1).trimmed().toLatin1());
    }

    if (!address.isValid() || address.scheme().isEmpty() || m_host.isEmpty()) {
        m_finished = true;
        fail(ConnectFailed, QStringLiteral("not an address: ") + url);
        return;
    }

    qCInfo(lcHttp).noquote()
        << method << address.toDisplayString()
        << QString(headerText).replace(QStringLiteral("\r\n"), QStringLiteral("; "));
    m_startMs = clock().nowMs();
    m_lastActivityMs = m_startMs;
    QNetworkReply *reply = m_manager->sendCustomRequest(request, method.toLatin1());
    reply->setReadBufferSize(kReadBufferBytes);
    m_reply = reply;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this] { takeHeaders(); });
    QObject::connect(
        reply, &QNetworkReply::readyRead, reply, [this] { m_lastActivityMs = clock().nowMs(); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this] { finished(); });
}

void QtHttpTransfer::takeHeaders()
{
    if (!m_reply)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    // Qt keeps the code and the reason, not the status line itself.
    const bool http2 = m_reply->attribute(QNetworkRequest::Http2WasUsedAttribute).toBool();
    QString text = (http2 ? QStringLiteral("HTTP/2.0 ") : QStringLiteral("HTTP/1.1 "))
        + QString::number(status.toInt()) + QLatin1Char(' ')
        + m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()
        + QStringLiteral("\r\n");
    const auto pairs = m_reply->rawHeaderPairs();
    for (const auto &pair : pairs) {
        text += QString::fromLatin1(pair.first) + QStringLiteral(": ")
            + QString::fromLatin1(pair.second) + QStringLiteral("\r\n");
    }
    text += QStringLiteral("\r\n");
    m_headerText = text;
    m_host = m_reply->url().host();
    if (!m_headersIn) {
        m_headersIn = true;
        m_lastActivityMs = clock().nowMs();
        qCInfo(lcHttp).noquote() << "answer:" << text.section(QStringLiteral("\r\n"), 0, 0);
    }
}

void QtHttpTransfer::finished()
{
    if (!m_reply)
        return;
    takeHeaders();
    m_finished = true;
    const QNetworkReply::NetworkError error = m_reply->error();
    if (error == QNetworkReply::NoError || m_failure != NoFailure)
        return;
    if (m_headersIn && isHttpAnswerError(error))
        return;
    Failure failure = BodyBroken;
    if (error == QNetworkReply::OperationCanceledError)
        failure = Cancelled;
    else if (error == QNetworkReply::TimeoutError)
        failure = TimedOut;
    else if (!m_headersIn)
        failure = ConnectFailed;
    fail(failure, m_reply->errorString());
}

void QtHttpTransfer::fail(Failure failure, const QString &text)
{
    if (m_failure != NoFailure)
        return;
    m_failure = failure;
    m_failureText = text;
    if (failure != Cancelled)
        qCWarning(lcHttp).noquote() << "transfer failed:" << text;
}

bool QtHttpTransfer::StillExecuting()
{
    if (!m_reply || m_headersIn || m_finished)
        return false;
    if (clock().nowMs() - m_startMs > m_connectTimeoutMs) {
        fail(TimedOut,
             QStringLiteral("no answer within %1 s").arg(m_connectTimeoutMs / 1000.0, 0, 'f', 1));
        m_reply->abort();
        return false;
    }
    return true;
}

QString QtHttpTransfer::GetHeader(const QString &name) const
{
    const QStringList lines = m_headerText.split(QStringLiteral("\r\n"));
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(QLatin1Char(':'));
        if (colon > 0 && lines[i].left(colon).compare(name, Qt::CaseInsensitive) == 0)
            return lines[i].mid(colon + 1).trimmed();
    }
    return QString();
}

QByteArray QtHttpTransfer::GetChunk(int maxSize)
{
    for (;;) {
        if (!m_reply)
            return QByteArray();
        // Bytes still buffered are read even after an error (a body that broke off).
        if (m_reply->bytesAvailable() > 0) {
            m_lastActivityMs = clock().nowMs();
            return m_reply->read(std::max(1, maxSize));
        }
        if (m_finished)
            return QByteArray();
        const qint64 idle = clock().nowMs() - m_lastActivityMs;
        if (idle > m_readTimeoutMs) {
            fail(TimedOut,
                 QStringLiteral("no data for %1 s").arg(m_readTimeoutMs / 1000.0, 0, 'f', 1));
            m_reply->abort();
            return QByteArray();
        }
        clock().waitForEvents(static_cast<int>(std::min<qint64>(m_readTimeoutMs - idle + 1, 200)));
    }
}

void QtHttpTransfer::Cancel()
{
    if (m_reply && !m_finished)
        fail(Cancelled, QStringLiteral("cancelled"));
    dropReply();
}

void QtHttpTransfer::dropReply()
{
    if (QNetworkReply *reply = m_reply.data()) {
        m_reply.clear();
        QObject::disconnect(reply, nullptr, nullptr, nullptr);
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    }
}

std::unique_ptr<HttpTransfer> newHttpTransfer()
{
    if (HttpTransferFactory *factory = installedFactory())
        return factory->create();
    return std::make_unique<QtHttpTransfer>();
}

void install(HttpTransferFactory *factory)
{
    installedFactory() = factory;
}

} // namespace platform
