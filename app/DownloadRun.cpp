#include "app/DownloadRun.h"

#include "core/TransferText.h"
#include "core/UpdateSignature.h"
#include "net/DownloadMessage.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "ui/DownloadDialog.h"
#include "ui/Prompts.h"

#include <optional>
#include <utility>

using net::DownloadResult;
using Outcome = net::DownloadResult::Outcome;
namespace {
const QString CR = QStringLiteral("\r");
} // namespace

DownloadRun::DownloadRun(net::Downloader &downloader,
                         DownloadDialog &dialog,
                         const platform::Clock &clock,
                         Prompts &prompts,
                         QObject *parent)
    : QObject(parent)
    , m_downloader(downloader)
    , m_dialog(&dialog)
    , m_clock(clock)
    , m_prompts(prompts)
{
    connect(&m_downloader, &net::Downloader::saving, this, &DownloadRun::answered);
    connect(&m_downloader, &net::Downloader::progress, this, &DownloadRun::showProgress);
    connect(&m_downloader, &net::Downloader::finished, this, &DownloadRun::attemptEnded);
    connect(&dialog, &DownloadDialog::cancelRequested, this, [this] { askCancel(false); });
    connect(&dialog, &DownloadDialog::closeRequested, this, [this] { askCancel(true); });
}

void DownloadRun::start(const QString &url, const QString &path)
{
    m_url = url;
    m_path = path;
    m_resuming = false;
    m_fetchingSignature = false;
    m_dialog->setStatus(tr("Getting file information..."));
    m_downloader.start(url, path);
}

void DownloadRun::answered(const QString &host, qint64 total)
{
    if (m_fetchingSignature)
        return;
    if (!m_resuming)
        m_startMs = m_clock.nowMs() - 1000;
    m_dialog->setStatus(tr("Saving:"));
    m_dialog->setSource(tr("%1 from %2").arg(m_url.section(QLatin1Char('/'), -1), host));
    m_dialog->setDestination(m_path);
    m_dialog->showProgress(0, total, 0, 0);
}

void DownloadRun::showProgress(qint64 received, qint64 total)
{
    if (m_fetchingSignature)
        return;
    const double elapsed = (m_clock.nowMs() - m_startMs) / 1000.0;
    const double rate = elapsed > 0 ? received / elapsed : 0;
    m_secondsLeft = (total >= 0 && rate > 0) ? (total - received) / rate : 0;
    m_dialog->showProgress(received, total, rate, m_secondsLeft);
}

void DownloadRun::attemptEnded(const DownloadResult &result)
{
    if (m_asking) {
        // The cancel question is open: its answer decides what this result means.
        m_heldResult = result;
        return;
    }
    if (m_fetchingSignature)
        return signatureEnded(result);
    switch (result.outcome) {
    case Outcome::Complete:
        m_fetchingSignature = true;
        m_downloader.start(core::signatureAddress(result.address), core::signaturePath(m_path));
        return;
    case Outcome::Cancelled:
        end(false);
        return;
    case Outcome::ResumeRefused:
        if (m_prompts.askYes(m_dialog,
                             {tr("The server is unable to resume this download.") + CR + CR
                                  + tr("Do you want to continue anyway?"),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::Warning,
                              tr("Unable to Resume Download")})) {
            m_resuming = false;
            m_dialog->setStatus(tr("Getting file information..."));
            m_downloader.restart();
        } else {
            end(false);
        }
        return;
    default:
        break;
    }
    tellRefusal(result);
    if (!result.canResume) {
        end(false);
        return;
    }
    const QMessageBox::StandardButton answer = m_prompts.ask(
        m_dialog,
        {tr("The connection with the server was reset.") + CR + CR
             + tr("Click \"Retry\" to resume downloading the file.") + CR
             + tr("(Approximate time remaining: %1)").arg(core::durationText(m_secondsLeft)) + CR
             + CR + tr("Click \"Cancel\" to cancel downloading the file."),
         QMessageBox::Retry | QMessageBox::Cancel,
         QMessageBox::Warning,
         tr("Download Incomplete")});
    if (answer != QMessageBox::Retry) {
        m_downloader.abandon();
        end(false);
        return;
    }
    m_resuming = true;
    m_dialog->setStatus(tr("Resuming download..."));
    m_downloader.resume();
}

void DownloadRun::signatureEnded(const DownloadResult &result)
{
    if (result.outcome == Outcome::Complete || result.notThere()) {
        m_dialog->setStatus(tr("Download completed!"));
        end(true);
        return;
    }
    if (result.outcome != Outcome::Cancelled) {
        tellRefusal(result);
        if (result.canResume)
            m_downloader.abandon();
    }
    platform::deleteFile(m_path);
    end(false);
}

void DownloadRun::tellRefusal(const DownloadResult &result)
{
    using Level = net::DownloadMessage::Level;
    const auto message = net::refusalMessage(result, m_url);
    if (!message) // a break says nothing before its question
        return;
    const QMessageBox::Icon icon = message->level == Level::Information ? QMessageBox::Information
        : message->level == Level::Warning                              ? QMessageBox::Warning
                                                                        : QMessageBox::Critical;
    tell(message->text, icon, message->title);
}

void DownloadRun::askCancel(bool fromCloseBox)
{
    if (m_asking || !m_dialog)
        return;
    // The button and Esc stop the clip while the question is open; the close box leaves it.
    if (!fromCloseBox)
        m_dialog->pauseClip();
    m_asking = true;
    const bool yes = m_prompts.askYes(m_dialog,
                                      {tr("Are you sure you want to cancel this operation?"),
                                       QMessageBox::Yes | QMessageBox::No,
                                       QMessageBox::Question});
    m_asking = false;
    const std::optional<DownloadResult> held = std::exchange(m_heldResult, std::nullopt);
    if (!yes) {
        m_dialog->playClip();
        if (held)
            attemptEnded(*held);
        return;
    }
    m_dialog->setStatus(tr("Cancelling..."));
    m_dialog->closeClip();
    if (m_downloader.isRunning()) {
        m_downloader.cancel();
        return;
    }
    // The download ended while the question was open: the user's cancel stands.
    m_downloader.abandon();
    end(false);
}

void DownloadRun::end(bool ok)
{
    if (m_dialog)
        m_dialog->closeClip();
    Q_EMIT finished(ok);
}

void DownloadRun::tell(const QString &text, QMessageBox::Icon icon, const QString &title)
{
    m_prompts.tell(m_dialog, {text, QMessageBox::Ok, icon, title});
}
