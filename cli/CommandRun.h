#pragma once

// One command of the command line, run on the same services as the wizard: the port list, the
// scale programmer, the downloader and the working folder. It reports on its output and ends
// with finished(code), once.
//
// An update fetches the file first when given an address (into the working folder, resumed
// after a break, deleted once the scale is updated), checks the whole file before the scale is
// touched, finds the scale (on the port given, or by the wizard's search), then programs and
// verifies it; or, given several ports or every port, updates the scales on them at once (a
// ScaleBench). interrupt() stops it as the wizard's quit does: between two frames, with the
// session closed.

#include "cli/CommandLine.h"
#include "cli/CommandOutput.h"
#include "core/FlashImage.h"
#include "core/UpdateSignature.h"
#include "device/RunObserver.h"

#include <QJsonObject>
#include <QObject>

namespace device {
class ScaleProgrammer;
struct ScaleSearch;
} // namespace device
namespace net {
class Downloader;
struct DownloadResult;
} // namespace net
namespace platform {
class Clock;
class SerialSystem;
class WorkingFolder;
} // namespace platform

namespace cli {

class ScaleBench;

class CommandRun final : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        platform::SerialSystem &ports;
        device::ScaleProgrammer &scale;
        net::Downloader &downloader;
        const platform::Clock &clock;
        const platform::WorkingFolder &files;
        // The keys whose signatures on update files are trusted.
        const QList<core::TrustedKey> &trusted;
    };

    CommandRun(const Services &services, CommandOutput &output, QObject *parent = nullptr);

    void start(const Command &command);
    // Ctrl-C: the update stops between two frames, a download is cancelled.
    void interrupt();

Q_SIGNALS:
    void finished(cli::ExitCode code);

private:
    enum class Step {
        Idle,
        Downloading,
        FetchingSignature,
        FindingScale,
        Updating,
        Stopping,
        Done
    };

    void listPorts();
    void findScale();
    void search(const QList<int> &ports);
    void searchEnded(const device::ScaleSearch &search);
    void download();
    void downloadEnded(const net::DownloadResult &result);
    // The file's signature, from the address the file came from.
    void fetchSignature(const QString &fileAddress);
    void signatureFetched(const net::DownloadResult &result);
    // The file downloaded and its signature go, once the scale is updated or the file refused.
    void deleteDownload();
    void loadAndUpdate(const QString &path);
    // Opens the scale's port, then programs and verifies it.
    void update();
    // Several scales at once, on the ports named or on every port.
    void updateMany();
    void program();
    void showProgress(const core::RunProgress &progress);
    void runEnded(device::RunOutcome outcome);
    void finish(ExitCode code, const QString &text);

    Services m_services;
    CommandOutput &m_output;
    Command m_command;
    Step m_step = Step::Idle;
    core::FlashImage m_image;
    int m_port = 0;
    QString m_serial;
    // Where the update run stands.
    core::RunProgress m_progress;
    int m_resumes = 0;
    // The update run has begun on the scale: its end is recorded.
    bool m_runStarted = false;
    int m_retries = 0;
    qint64 m_startedMs = 0;
    QJsonObject m_fields;
    // The scales updated at once, when there are several.
    ScaleBench *m_bench = nullptr;
};

} // namespace cli
