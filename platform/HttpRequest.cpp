#include "platform/HttpRequest.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>
#include <QUrl>

Q_LOGGING_CATEGORY(lcHttpRequest, "kovara.http")

namespace platform {

HttpError::HttpError(int number, const QString &description)
    : std::runtime_error(description.toStdString())
    , m_number(number)
    , m_description(description)
{ }

namespace {

HttpRequestFactory *g_installed = nullptr;

// What the exchange thread hands back.
struct Outcome
{
    bool answered = false;
    int status = 0;
    QByteArray body;
    int error = 0;
    QString description;
};

Outcome exchange(const QByteArray &method,
                 const QUrl &url,
                 const QList<QPair<QByteArray, QByteArray>> &headers,
                 const QByteArray &body,
                 int timeoutMs)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    for (const auto &header : headers)
        request.setRawHeader(header.first, header.second);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // The reply is counted in bytes as the server sent them.
    request.setRawHeader("Accept-Encoding", "identity");

    QNetworkReply *reply = manager.sendCustomRequest(request, method, body);
    QEventLoop loop;
    bool timedOut = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec();

    Outcome outcome;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (timedOut) {
        outcome.error = QNetworkReply::TimeoutError;
        outcome.description = QStringLiteral("The server did not answer within %1 seconds")
                                  .arg(timeoutMs / 1000.0, 0, 'g', 3);
    } else if (status.isValid()) {
        // An HTTP answer, error pages included: its body is the reply.
        outcome.answered = true;
        outcome.status = status.toInt();
        outcome.body = reply->readAll();
    } else {
        outcome.error = reply->error();
        outcome.description = reply->errorString();
    }
    delete reply;
    return outcome;
}

} // namespace

std::unique_ptr<HttpRequest> createHttpRequest()
{
    if (g_installed)
        return g_installed->create();
    static QtHttpRequestFactory real;
    return real.create();
}

void install(HttpRequestFactory *factory)
{
    g_installed = factory;
}

HttpRequestFactory *installedHttpRequestFactory()
{
    return g_installed;
}

std::unique_ptr<HttpRequest> QtHttpRequestFactory::create()
{
    return std::make_unique<QtHttpRequest>();
}

QtHttpRequest::QtHttpRequest(int timeoutMs)
    : m_timeoutMs(timeoutMs)
{ }

void QtHttpRequest::open(const QByteArray &method, const QString &url)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || parsed.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        throw HttpError(QNetworkReply::ProtocolUnknownError,
                        QStringLiteral("Not a web address: %1").arg(url));
    }
    m_method = method;
    m_url = url;
    m_headers.clear();
    m_response.clear();
}

void QtHttpRequest::setRequestHeader(const QByteArray &name, const QByteArray &value)
{
    if (m_url.isEmpty())
        throw HttpError(QNetworkReply::ProtocolInvalidOperationError,
                        QStringLiteral("The request was not opened"));
    m_headers.append({name, value});
}

void QtHttpRequest::send(const QByteArray &body)
{
    if (m_url.isEmpty())
        throw HttpError(QNetworkReply::ProtocolInvalidOperationError,
                        QStringLiteral("The request was not opened"));
    m_response.clear();

    Outcome outcome;
    QEventLoop wait;
    const QByteArray method = m_method;
    const QUrl url(m_url);
    const auto headers = m_headers;
    const int timeoutMs = m_timeoutMs;
    std::unique_ptr<QThread> worker(
        QThread::create([&outcome, &wait, method, url, headers, body, timeoutMs] {
            outcome = exchange(method, url, headers, body, timeoutMs);
            // A posted call: it runs in the waiting loop, which runs posted events.
            QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
        }));
    worker->setObjectName(QStringLiteral("http-request"));
    worker->start();
    wait.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers
              | QEventLoop::X11ExcludeTimers);
    worker->wait();

    if (!outcome.answered) {
        qCWarning(lcHttpRequest).noquote()
            << m_method << m_url << "failed:" << outcome.error << outcome.description;
        throw HttpError(outcome.error, outcome.description);
    }
    qCInfo(lcHttpRequest).noquote() << m_method << m_url << "answered" << outcome.status << "with"
                                    << outcome.body.size() << "bytes";
    m_response = outcome.body;
}

} // namespace platform
