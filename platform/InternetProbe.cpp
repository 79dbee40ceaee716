#include "platform/InternetProbe.h"

#include "platform/Dialogs.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

Q_LOGGING_CATEGORY(lcProbe, "kovara.probe")

namespace platform {

HttpInternetProbe::HttpInternetProbe(QString url, int timeoutMs)
    : m_url(std::move(url))
    , m_timeoutMs(timeoutMs)
{ }

bool HttpInternetProbe::check()
{
    QNetworkAccessManager manager;
    QNetworkRequest request {QUrl(m_url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, applicationTitle());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setTransferTimeout(m_timeoutMs);

    QNetworkReply *reply = manager.get(request);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    // The answer is known once the status line and headers are in; the body is not needed.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(m_timeoutMs);
    // User input waits until the probe is done; the window still repaints.
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool reachable = status.isValid();
    if (reachable)
        qCInfo(lcProbe).noquote() << "internet probe" << m_url << "answered" << status.toInt();
    else
        qCWarning(lcProbe).noquote()
            << "internet probe" << m_url << "failed:" << reply->errorString();
    reply->abort();
    return reachable;
}

} // namespace platform
