#include "cli/CommandRun.h"
#include "cli/RunEnd.h"
#include "cli/ScaleBench.h"
#include "cli/SignatureVerdict.h"
#include "cli/UpdateHistory.h"

#include "core/HexLoader.h"
#include "core/TransferText.h"
#include "device/ScaleProgrammer.h"
#include "net/DownloadMessage.h"
#include "net/Downloader.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/SerialPort.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

namespace cli {

namespace {

Q_LOGGING_CATEGORY(lcConsole, "kovara.cli")

// The phase number of a download's progress, beside the scale run's phases.
constexpr int kDownloading = -1;

// Breaks of the download that are resumed before it gives up.
constexpr int kResumeLimit = 3;

} // namespace

CommandRun::CommandRun(const Services &services, CommandOutput &output, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_output(output)
{
    net::Downloader &downloader = m_services.downloader;
    connect(&downloader, &net::Downloader::progress, this, [this](qint64 received, qint64 total) {
        m_output.progress(
            kDownloading,
            tr("Downloading: %1 of %2")
                .arg(core::fileSizeText(double(received)),
                     total < 0 ? tr("an unknown size") : core::fileSizeText(double(total))),
            received,
            total);
    });
    connect(&downloader, &net::Downloader::finished, this, [this](const net::DownloadResult &r) {
        if (m_step == Step::FetchingSignature)
            signatureFetched(r);
        else
            downloadEnded(r);
    });
}

void CommandRun::start(const Command &command)
{
    m_command = command;
    m_startedMs = m_services.clock.nowMs();
    switch (command.kind) {
    case Command::Kind::ListPorts:
        listPorts();
        return;
    case Command::Kind::ReadSerial:
        findScale();
        return;
    case Command::Kind::History: {
        const Listing listing = historyListing(m_services.files.historyFile(), command.serial);
        m_fields = listing.fields;
        finish(ExitCode::Success, listing.words);
        return;
    }
    case Command::Kind::Update:
        m_fields.insert(QStringLiteral("file"),
                        command.url.isEmpty()
                            ? QDir::toNativeSeparators(QFileInfo(command.file).absoluteFilePath())
                            : command.url);
        if (command.url.isEmpty())
            loadAndUpdate(command.file);
        else
            download();
        return;
    default:
        finish(ExitCode::Usage, helpText());
        return;
    }
}

void CommandRun::interrupt()
{
    switch (m_step) {
    case Step::Updating:
        m_step = Step::Stopping;
        if (m_bench) {
            m_output.say(tr("Stopping every scale after the frame on its line; Ctrl-C again ends "
                            "at once."));
            m_bench->interrupt();
            return;
        }
        m_output.say(tr("Stopping after the frame on the line; Ctrl-C again ends at once."));
        m_services.scale.stop();
        return;
    case Step::Downloading:
    case Step::FetchingSignature:
        m_services.downloader.cancel();
        return;
    case Step::FindingScale:
        finish(ExitCode::Stopped, tr("Stopped before the scale was touched."));
        return;
    default:
        return;
    }
}

void CommandRun::listPorts()
{
    const Listing listing = portListing(m_services.ports.ports());
    m_fields = listing.fields;
    if (listing.words.isEmpty())
        finish(ExitCode::NoScale, tr("No serial port was found."));
    else
        finish(ExitCode::Success, listing.words);
}

void CommandRun::findScale()
{
    QList<int> ports {m_command.port()};
    if (m_command.port() == 0) {
        ports.clear();
        for (const platform::SerialPortInfo &port : m_services.ports.ports())
            ports << port.number;
    }
    if (ports.isEmpty()) {
        finish(ExitCode::NoScale, tr("No serial port was found."));
        return;
    }
    m_step = Step::FindingScale;
    if (m_command.port() == 0) {
        search(ports);
        return;
    }
    // The search skips a port it cannot open; the port the user named says why.
    m_services.scale.setPortNumber(m_command.port());
    const auto *job = m_services.scale.open();
    connect(job, &device::ScaleJob::finished, this, [this, ports, job] {
        if (m_step != Step::FindingScale)
            return;
        m_services.scale.close();
        if (const auto &error = job->result())
            finish(ExitCode::NoScale, error->text());
        else
            search(ports);
    });
}

void CommandRun::search(const QList<int> &ports)
{
    m_output.say(tr("Looking for the scale on %1").arg(portNames(ports)));
    const auto *job = m_services.scale.findScale(ports);
    connect(job, &device::ScaleJob::finished, this, [this, job] { searchEnded(job->result()); });
}

void CommandRun::searchEnded(const device::ScaleSearch &search)
{
    // Ctrl-C may have ended the command during the search.
    if (m_step != Step::FindingScale)
        return;
    if (!search.found) {
        finish(ExitCode::NoScale, noScaleText(m_command.port(), search.refused));
        return;
    }
    m_port = search.port;
    m_serial = search.serial;
    if (m_command.kind == Command::Kind::ReadSerial)
        finish(ExitCode::Success, search.serial);
    else
        update();
}

void CommandRun::download()
{
    m_step = Step::Downloading;
    m_output.say(tr("Downloading %1").arg(m_command.url));
    m_services.downloader.start(m_command.url, m_services.files.updateFile());
}

void CommandRun::downloadEnded(const net::DownloadResult &result)
{
    if (m_step != Step::Downloading)
        return;
    using Outcome = net::DownloadResult::Outcome;
    switch (result.outcome) {
    case Outcome::Complete:
        fetchSignature(result.address);
        return;
    case Outcome::Cancelled:
        finish(ExitCode::Stopped, tr("Stopped: the download was cancelled."));
        return;
    case Outcome::ResumeRefused:
    case Outcome::Broken:
        if (m_resumes < kResumeLimit
            && (result.canResume || result.outcome == Outcome::ResumeRefused)) {
            ++m_resumes;
            if (result.outcome == Outcome::ResumeRefused) {
                m_output.say(tr("The server is unable to resume this download; starting again."));
                m_services.downloader.restart();
            } else {
                m_output.say(tr("The connection with the server was reset; resuming (%1 of %2).")
                                 .arg(m_resumes)
                                 .arg(kResumeLimit));
                m_services.downloader.resume();
            }
            return;
        }
        if (result.canResume)
            m_services.downloader.abandon();
        finish(ExitCode::DownloadFailed, tr("The connection with the server was reset."));
        return;
    default:
        break;
    }
    const auto message = net::refusalMessage(result, m_command.url);
    finish(ExitCode::DownloadFailed,
           message ? message->title + QStringLiteral(": ") + message->text : result.statusLine);
}

void CommandRun::fetchSignature(const QString &fileAddress)
{
    m_step = Step::FetchingSignature;
    const QString address = core::signatureAddress(fileAddress);
    qCInfo(lcConsole).noquote() << "fetching the signature" << address;
    m_services.downloader.start(address, core::signaturePath(m_services.files.updateFile()));
}

void CommandRun::signatureFetched(const net::DownloadResult &result)
{
    using Outcome = net::DownloadResult::Outcome;
    if (result.outcome == Outcome::Complete || result.notThere()) {
        // Not there is no signature; whether the file may go on without one is decided on it.
        loadAndUpdate(m_services.files.updateFile());
        return;
    }
    deleteDownload();
    if (result.outcome == Outcome::Cancelled) {
        finish(ExitCode::Stopped, tr("Stopped: the download was cancelled."));
        return;
    }
    const auto message = net::refusalMessage(result, result.address);
    finish(ExitCode::DownloadFailed,
           tr("The update file's signature could not be downloaded: %1")
               .arg(message ? message->text : result.statusLine));
}

void CommandRun::deleteDownload()
{
    if (m_command.url.isEmpty())
        return;
    platform::deleteFile(m_services.files.updateFile());
    platform::deleteFile(core::signaturePath(m_services.files.updateFile()));
}

void CommandRun::loadAndUpdate(const QString &path)
{
    // The file is read once: its signature is checked on those bytes, then the same bytes are
    // checked whole and loaded, before the scale is touched.
    const core::UpdateFileRead file = core::readUpdateFile(path, m_services.trusted);
    if (!file.read) {
        core::HexLoadResult unreadable;
        unreadable.fault = file.error;
        finish(ExitCode::FileRefused, unreadable.message());
        return;
    }
    m_fields.insert(QStringLiteral("sha256"), file.sha256);
    const SignatureVerdict verdict = judgeSignature(file.signature, m_command.allowUnsigned);
    if (!verdict.json.isUndefined())
        m_fields.insert(QStringLiteral("signature"), verdict.json);
    if (!verdict.goesOn) {
        qCWarning(lcConsole).noquote()
            << "update file refused: signature" << int(file.signature.outcome) << "key"
            << file.signature.keyId;
        deleteDownload();
        finish(ExitCode::SignatureRefused, verdict.words);
        return;
    }
    m_output.say(verdict.words);
    const core::HexLoadResult result = core::loadIntelHex(file.bytes, m_image);
    if (!result.ok) {
        finish(ExitCode::FileRefused, result.message());
        return;
    }
    m_output.say(tr("The update file %1 is whole: %2 data records.")
                     .arg(QDir::toNativeSeparators(path))
                     .arg(result.dataRecords));
    if (m_command.manyScales())
        updateMany();
    else
        findScale();
}

void CommandRun::updateMany()
{
    m_step = Step::Updating;
    m_bench = new ScaleBench(m_services.ports, m_services.clock, m_output, this);
    // Every run on a scale is recorded as it ends, however it ended.
    connect(m_bench, &ScaleBench::scaleEnded, this, [this](const BenchScale &scale) {
        recordScale(m_services.files.historyFile(), m_fields, scale);
    });
    connect(m_bench, &ScaleBench::finished, this, [this] {
        const BenchEnd end = benchEnd(
            m_bench->scales(), m_bench->refused(), m_services.clock.nowMs() - m_startedMs);
        m_fields.insert(QStringLiteral("scales"), end.scales);
        if (end.code == ExitCode::Success)
            deleteDownload();
        finish(end.code, end.text);
    });
    // No port named: every port.
    m_bench->start(m_image, m_command.allPorts ? QList<int>() : m_command.ports);
}

void CommandRun::update()
{
    m_step = Step::Updating;
    m_output.say(tr("Updating scale %1 on %2").arg(m_serial, platform::comName(m_port)));
    m_services.scale.setPortNumber(m_port);
    const auto *opening = m_services.scale.open();
    connect(opening, &device::ScaleJob::finished, this, [this, opening] {
        if (const auto &error = opening->result())
            finish(ExitCode::NoScale, error->text());
        else
            program();
    });
}

void CommandRun::program()
{
    using device::ScaleJob;
    const auto *job = m_services.scale.update(m_image);
    connect(job, &ScaleJob::serialNumberUsed, this, [this](const QString &serial) {
        m_serial = serial;
    });
    connect(job, &ScaleJob::progress, this, &CommandRun::showProgress);
    m_runStarted = true;
    connect(job, &ScaleJob::finished, this, [this, job] {
        m_retries = job->result().retries;
        if (job->result().outcome == device::RunOutcome::Done) {
            // The bar ends on what happened: every block verified, the last one's words without
            // the time that was left before it.
            core::RunProgress last = m_progress;
            last.msLeft = -1;
            m_output.progress(int(last.phase), core::runProgressText(last), 1, 1);
        }
        runEnded(job->result().outcome);
    });
}

void CommandRun::showProgress(const core::RunProgress &progress)
{
    m_progress = progress;
    m_output.progress(int(progress.phase),
                      core::runProgressText(progress),
                      runStepsDone(progress),
                      2 * qint64(progress.blocks));
}

void CommandRun::runEnded(device::RunOutcome outcome)
{
    if (outcome == device::RunOutcome::Done)
        deleteDownload();
    const RunEnd end = runEnd(outcome,
                              m_step == Step::Stopping,
                              m_port,
                              m_serial,
                              m_services.clock.nowMs() - m_startedMs);
    finish(end.code, end.text);
}

void CommandRun::finish(ExitCode code, const QString &text)
{
    if (m_step == Step::Done)
        return;
    m_step = Step::Done;
    m_services.scale.close();
    if (m_port != 0)
        m_fields.insert(QStringLiteral("port"), platform::comName(m_port));
    if (!m_serial.isEmpty())
        m_fields.insert(QStringLiteral("serial"), m_serial);
    m_fields.insert(QStringLiteral("seconds"),
                    double(m_services.clock.nowMs() - m_startedMs) / 1000.0);
    qCInfo(lcConsole).noquote() << "command ended with" << int(code) << ":" << text;
    // Every run on a scale is recorded, however it ended.
    if (m_runStarted)
        recordRun(m_services.files.historyFile(), m_fields, code, oneLine(text), m_retries);
    m_output.finish(code, text, m_fields);
    Q_EMIT finished(code);
}

} // namespace cli
