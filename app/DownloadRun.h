#pragma once

// One download of the update file, shown in the download dialog: the downloader's progress goes
// to the dialog, and what the downloader leaves open is put to the user here. A break asks
// whether to resume, a server that will not resume asks whether to start again, a refusal or a
// failure shows its message, and Cancel, Esc and the close box ask whether the user is sure.
// Once the file is whole its signature follows, from the address the file came from with
// .minisig appended: not there (404, 410) is no signature, whose question comes when the file is
// loaded; any other failure is the download's failure, and neither file stays. finished() comes
// once, after the dialog has closed.

#include "net/Downloader.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>

#include <optional>

class DownloadDialog;
class Prompts;

namespace platform {
class Clock;
}

class DownloadRun final : public QObject
{
    Q_OBJECT
public:
    DownloadRun(net::Downloader &downloader,
                DownloadDialog &dialog,
                const platform::Clock &clock,
                Prompts &prompts,
                QObject *parent = nullptr);

    void start(const QString &url, const QString &path);

Q_SIGNALS:
    // The whole file is on disk (ok), or the download ended without it and left no file.
    void finished(bool ok);

private:
    void answered(const QString &host, qint64 total);
    void showProgress(qint64 received, qint64 total);
    void attemptEnded(const net::DownloadResult &result);
    void signatureEnded(const net::DownloadResult &result);
    void tellRefusal(const net::DownloadResult &result);
    void askCancel(bool fromCloseBox);
    void end(bool ok);
    void tell(const QString &text, QMessageBox::Icon icon, const QString &title);

    net::Downloader &m_downloader;
    QPointer<DownloadDialog> m_dialog;
    const platform::Clock &m_clock;
    Prompts &m_prompts;
    QString m_url;
    QString m_path;
    bool m_resuming = false;
    bool m_fetchingSignature = false;
    // The cancel question is open; an attempt that ends meanwhile waits for its answer.
    bool m_asking = false;
    std::optional<net::DownloadResult> m_heldResult;
    // The rate counts from a second before the first answer, so that it never divides by zero.
    qint64 m_startMs = 0;
    double m_secondsLeft = 0;
};
