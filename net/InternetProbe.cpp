#include "net/InternetProbe.h"

#include "platform/ProgramVersion.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

Q_LOGGING_CATEGORY(lcProbe, "kovara.probe")

namespace net {

HttpInternetProbe::HttpInternetProbe(QString url, int timeoutMs)
    : m_url(std::move(url))
    , m_timeoutMs(timeoutMs)
{ }

HttpInternetProbe::~HttpInternetProbe() = default;

void HttpInternetProbe::start(Done done)
{
    if (!m_manager)
        m_manager = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request {QUrl(m_url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, platform::applicationTitle());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setTransferTimeout(m_timeoutMs);

    QNetworkReply *reply = m_manager->get(request);
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    // The answer is known once the status line and headers are in; the body is not needed.
    auto settle = [reply, url = m_url, done = std::move(done)] {
        if (reply->property("settled").toBool())
            return;
        reply->setProperty("settled", true);
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const bool reachable = status.isValid();
        if (reachable)
            qCInfo(lcProbe).noquote() << "internet probe" << url << "answered" << status.toInt();
        else
            qCWarning(lcProbe).noquote()
                << "internet probe" << url << "failed:" << reply->errorString();
        reply->abort();
        reply->deleteLater();
        done(reachable);
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, settle);
    QObject::connect(reply, &QNetworkReply::finished, reply, settle);
    deadline->start(m_timeoutMs);
}

} // namespace net
