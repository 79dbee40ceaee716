#include "net/Downloader.h"

#include "net/ResumeCheck.h"
#include "platform/DiskSpace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace net {

namespace {

Q_LOGGING_CATEGORY(lcDownload, "kovara.download")

// The most body bytes Qt holds in memory: the server is read only as fast as the disk takes it.
constexpr qint64 kReadBufferBytes = qint64(16) * 1024 * 1024;

DownloadResult ended(DownloadResult::Outcome outcome, const QString &statusLine = {})
{
    DownloadResult result;
    result.outcome = outcome;
    result.statusLine = statusLine;
    return result;
}

} // namespace

Downloader::Downloader(QNetworkAccessManager &network,
                       platform::DiskSpace &disk,
                       Options options,
                       QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_disk(disk)
    , m_options(options)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(m_options.timeoutMs);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        qCWarning(lcDownload).noquote()
            << (m_answered ? "no data for" : "no answer within") << m_options.timeoutMs << "ms";
        m_timedOut = true;
        if (m_reply)
            m_reply->abort();
    });
}

Downloader::~Downloader()
{
    dropReply();
}

void Downloader::start(const QString &url, const QString &path)
{
    m_url = url;
    m_address.clear();
    m_path = path;
    m_resuming = false;
    m_received = 0;
    m_resume.clear();
    m_changes = 0;
    qCInfo(lcDownload).noquote() << "download" << url << "to" << path;
    request(0);
}

void Downloader::resume()
{
    if (!m_resume.possible()) {
        qCInfo(lcDownload).noquote()
            << "the server named no version of the file (ETag, Last-Modified) or no length: "
               "starting again from the first byte rather than splicing";
        restart();
        return;
    }
    const qint64 from = m_resume.prepare(m_path, m_received, m_options.resumeOverlap);
    if (from < 0) {
        qCWarning(lcDownload).noquote() << "the part on disk cannot be read: starting again";
        restart();
        return;
    }
    m_resuming = true;
    m_received = from;
    request(from);
}

void Downloader::restart()
{
    m_resuming = false;
    m_received = 0;
    m_resume.clear();
    request(0);
}

void Downloader::cancel()
{
    if (!m_reply)
        return;
    m_cancelled = true;
    m_reply->abort();
}

void Downloader::abandon()
{
    QFile::remove(m_path);
}

void Downloader::request(qint64 from)
{
    dropReply();
    m_answered = false;
    m_timedOut = false;
    m_cancelled = false;
    m_statusLine.clear();
    m_httpStatus = 0;
    m_sslErrors.clear();
    m_requestedFrom = from;

    const QUrl address(m_url);
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Compressed bodies would have no length and ranges that do not count the file's bytes.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setRawHeader("Range", "bytes=" + QByteArray::number(from) + '-');
    if (m_resuming && from > 0)
        request.setRawHeader("If-Range", m_resume.validator().toLatin1());
    qCInfo(lcDownload).noquote() << "GET" << address.toDisplayString() << "from byte" << from;

    // As a custom request the GET is never sent again by Qt behind our back when the connection
    // drops: a body cut short then ends as a break, which the caller may resume, instead of two
    // answers running into one file.
    m_reply = m_network.sendCustomRequest(request, "GET");
    m_reply->setReadBufferSize(kReadBufferBytes);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &Downloader::takeAnswer);
    connect(m_reply, &QNetworkReply::readyRead, this, &Downloader::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &Downloader::replyFinished);
    // Not ignored: a certificate that is not trusted ends the request before anything is asked.
    connect(m_reply, &QNetworkReply::sslErrors, this, [this](const QList<QSslError> &errors) {
        for (const QSslError &error : errors)
            m_sslErrors << error.errorString();
    });
    m_idle.start();
}

void Downloader::takeAnswer()
{
    const QVariant code = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // A redirect that is being followed is not the answer; one that was not followed is.
    const bool redirect = code.toInt() >= 300 && code.toInt() < 400 && !m_reply->isFinished();
    if (m_answered || !code.isValid() || redirect)
        return;
    m_answered = true;
    m_idle.start();
    const int status = code.toInt();
    m_httpStatus = status;
    m_address = m_reply->url().toString();
    // Qt keeps the code and the reason, not the status line itself.
    m_statusLine
        = QStringLiteral("HTTP/1.1 %1 %2")
              .arg(status)
              .arg(m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    qCInfo(lcDownload).noquote() << "answer:" << m_statusLine;
    const QByteArray contentRange = m_reply->rawHeader("Content-Range");

    using O = DownloadResult::Outcome;
    if (status != 200 && status != 206) {
        const O refusal = status == 204 ? O::NoContent
            : status == 401             ? O::Unauthorized
            : status == 404             ? O::NotFound
                                        : O::ServerAnswer;
        finish(ended(refusal, m_statusLine));
        return;
    }
    if (m_resuming) {
        switch (m_resume.check(status, contentRange, m_requestedFrom)) {
        case ResumeCheck::Answer::Continues:
            break;
        case ResumeCheck::Answer::NotThePart:
            // Splicing what comes onto the part would corrupt the file.
            QFile::remove(m_path);
            finish(ended(O::ResumeRefused));
            return;
        case ResumeCheck::Answer::OtherLength:
            refuseResume("the part is of a file of another length");
            return;
        }
    } else {
        const qint64 rangeStart = contentRangeStart(contentRange);
        if (status == 206 && rangeStart > 0 && rangeStart != m_requestedFrom) {
            finish(ended(O::ServerAnswer, m_statusLine));
            return;
        }
        m_resume.describe(*m_reply);
        if (m_resume.length() == 0) {
            finish(ended(O::NoContent, m_statusLine));
            return;
        }
    }

    const qint64 length = m_resume.length();
    if (length >= 0 && QDir::isAbsolutePath(m_path)) {
        const qint64 free = m_disk.freeBytes(QFileInfo(m_path).absolutePath() + QLatin1Char('/'));
        if (free < length) {
            qCWarning(lcDownload).noquote()
                << "not enough space:" << free << "bytes free for" << length;
            // A stale file of an earlier run may lie at the destination of a fresh download:
            // offering to resume would splice onto it.
            DownloadResult result = ended(O::NoSpace);
            result.canResume = m_resuming;
            finish(result);
            return;
        }
    }

    if (!openFile())
        return;
    Q_EMIT saving(m_reply->url().host(), total());
    Q_EMIT progress(m_received, total());
}

bool Downloader::openFile()
{
    const QFileInfo info(m_path);
    if (!info.dir().exists())
        QDir().mkdir(info.absolutePath());
    m_file = std::make_unique<QFile>(m_path);
    errno = 0;
    const bool opened = m_resuming ? m_file->open(QIODevice::ReadWrite)
                                   : m_file->open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (!opened || (m_resuming && !m_file->seek(m_received))) {
        writeFailed();
        return false;
    }
    return true;
}

void Downloader::readBody()
{
    if (!m_reply || !m_file)
        return;
    m_idle.start();
    while (m_reply->bytesAvailable() > 0) {
        const QByteArray chunk = m_reply->read(qint64(256) * 1024);
        if (!m_resume.repeats(chunk)) {
            refuseResume("the bytes asked again differ from those on disk");
            return;
        }
        errno = 0;
        if (m_file->write(chunk) != chunk.size()) {
            writeFailed();
            return;
        }
        m_received += chunk.size();
    }
    Q_EMIT progress(m_received, total());
}

void Downloader::replyFinished()
{
    using O = DownloadResult::Outcome;
    if (!m_reply)
        return;
    if (m_cancelled) {
        finish(ended(O::Cancelled));
        return;
    }
    const QNetworkReply::NetworkError error = m_reply->error();
    if (!m_answered)
        takeAnswer();
    if (!m_reply) // the answer was a refusal
        return;
    if (!m_answered) {
        const bool untrusted
            = error == QNetworkReply::SslHandshakeFailedError && !m_sslErrors.isEmpty();
        DownloadResult result = ended(untrusted ? O::Untrusted : O::NoConnection);
        result.errorText = m_timedOut ? QStringLiteral("no answer")
            : untrusted               ? m_sslErrors.join(QLatin1Char('\r'))
                                      : m_reply->errorString();
        finish(result);
        return;
    }
    readBody();
    if (m_cancelled) { // from the last progress report
        finish(ended(O::Cancelled));
        return;
    }
    if (!m_file) // the write failed
        return;
    errno = 0;
    if (!m_file->flush()) {
        writeFailed();
        return;
    }
    m_file->close();
    const bool cleanEnd = error == QNetworkReply::NoError && !m_timedOut;
    DownloadResult result;
    const bool lengthKnown = m_resume.length() >= 0;
    if (lengthKnown ? m_received == m_resume.length() : cleanEnd && m_received > 0) {
        result.outcome = O::Complete;
    } else if (!lengthKnown && cleanEnd) {
        result = ended(O::NoContent, m_statusLine);
    } else {
        result.outcome = O::Broken;
        result.canResume = QFileInfo::exists(m_path);
        result.errorText = m_timedOut ? QStringLiteral("no data") : m_reply->errorString();
    }
    finish(result);
}

void Downloader::refuseResume(const char *why)
{
    qCWarning(lcDownload).noquote() << "resume refused:" << why;
    // Once started again, the file has changed a second time: the server has no steady version.
    finish(ended(++m_changes > 1 ? DownloadResult::Outcome::Changed
                                 : DownloadResult::Outcome::ResumeRefused));
}

void Downloader::writeFailed()
{
    // The system's error number says most ("No space left on device"); Qt's own text is the
    // fall-back when the system gave none.
    const int systemError = errno;
    DownloadResult result = ended(DownloadResult::Outcome::WriteFailed);
    result.errorNumber = systemError != 0 ? systemError : static_cast<int>(m_file->error());
    result.errorText = systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError))
                                        : m_file->errorString();
    finish(result);
}

void Downloader::finish(const DownloadResult &attempt)
{
    DownloadResult result = attempt;
    result.httpStatus = m_httpStatus;
    result.address = m_address.isEmpty() ? m_url : m_address;
    m_idle.stop();
    dropReply();
    if (m_file) {
        m_file->close();
        m_file.reset();
    }
    const bool keepsFile = result.outcome == DownloadResult::Outcome::Complete || result.canResume;
    if (!keepsFile)
        QFile::remove(m_path);
    if (result.outcome == DownloadResult::Outcome::Complete) {
        qCInfo(lcDownload).noquote() << "download complete:" << m_received << "bytes";
    } else {
        qCWarning(lcDownload).noquote()
            << "download" << outcomeName(result.outcome) << "after" << m_received << "bytes"
            << QString(result.statusLine + result.errorText).trimmed();
    }
    Q_EMIT finished(result);
}

void Downloader::dropReply()
{
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    }
}

} // namespace net
