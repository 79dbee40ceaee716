#pragma once

// The resumable download of one file over HTTP into one local file.
//
// Every request asks for a range ("Range: bytes=N-"), so a break can be resumed. A resume never
// splices two versions of the file: it is made only when the first answer named its version
// (a strong ETag, else Last-Modified), which goes back as If-Range; without one, resume() fetches
// the whole file again. A resume asks from a little before what is on disk, and the part that
// comes must start where it asked, belong to a file of the first answer's length, and repeat the
// bytes on disk that it asked again; otherwise the part on disk goes and the caller is told to
// start again (ResumeRefused), and a second time in one download the download fails (Changed).
// The downloader reports by signals and never asks the user anything: each attempt ends in one
// finished() whose result says what happened, and the caller decides whether to resume, start
// again or give up. A result that ends the download leaves no file behind.

#include "net/DownloadResult.h"
#include "net/ResumeCheck.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;

namespace platform {
class DiskSpace;
}

namespace net {

class Downloader final : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        // The longest wait for an answer, and then for each part of the body.
        int timeoutMs = 30000;
        // Bytes fetched again before the break when a download resumes.
        qint64 resumeOverlap = 4096;
    };

    Downloader(QNetworkAccessManager &network,
               platform::DiskSpace &disk,
               Options options,
               QObject *parent = nullptr);
    Downloader(QNetworkAccessManager &network, platform::DiskSpace &disk, QObject *parent = nullptr)
        : Downloader(network, disk, Options {}, parent)
    { }
    ~Downloader() override;

    // Fetches url into path from the first byte, replacing what is there.
    void start(const QString &url, const QString &path);
    // Continues a download whose result allowed it; from the first byte again when the file's
    // version is not known.
    void resume();
    // Fetches the whole file again after ResumeRefused.
    void restart();
    // Ends the attempt that is running with Cancelled; the part is deleted.
    void cancel();
    // Deletes the part a resumable result left, when the caller gives up on it.
    void abandon();

    bool isRunning() const { return m_reply != nullptr; }

Q_SIGNALS:
    // The server answered with the file: its bytes are being saved. total is -1 when the
    // server did not say how long the file is.
    void saving(const QString &host, qint64 total);
    // Bytes of the file on disk so far, of total (-1: not known).
    void progress(qint64 received, qint64 total);
    void finished(const net::DownloadResult &result);

private:
    void request(qint64 from);
    void takeAnswer();
    bool openFile();
    void refuseResume(const char *why);
    void readBody();
    void replyFinished();
    void writeFailed();
    void finish(const DownloadResult &attempt);
    void dropReply();
    qint64 total() const { return m_resume.length(); }

    QNetworkAccessManager &m_network;
    platform::DiskSpace &m_disk;
    const Options m_options;
    QString m_url;
    QString m_path;
    QNetworkReply *m_reply = nullptr;
    std::unique_ptr<QFile> m_file;
    QTimer m_idle;
    bool m_resuming = false;
    bool m_answered = false;
    bool m_timedOut = false;
    bool m_cancelled = false;
    qint64 m_requestedFrom = 0;
    qint64 m_received = 0;
    // What the first answer said of the file, and the checks of a resume against it.
    ResumeCheck m_resume;
    // Resumes refused in this download because the part was of another file.
    int m_changes = 0;
    QStringList m_sslErrors;
    QString m_statusLine;
    int m_httpStatus = 0;
    QString m_address;
};

} // namespace net
