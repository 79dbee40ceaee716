#pragma once

// Several scales updated at once from one checked image, as a service bench updates them: each
// port gets a scale programmer of its own (a thread of its own), reads its scale's serial number,
// then programs and verifies the scale under that number. A scale that fails ends alone; the
// others go on. Each scale has its line on the output. finished() comes once, when every scale
// has ended; interrupt() stops every scale between two frames, each session closed.

#include "cli/CommandLine.h"
#include "core/FlashImage.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

namespace core {
struct RunProgress;
} // namespace core
namespace device {
struct SerialRead;
} // namespace device
namespace platform {
class Clock;
class SerialSystem;
} // namespace platform

namespace cli {

class CommandOutput;

// How the update of one scale ended.
struct BenchScale
{
    int port = 0;
    QString serial;
    ExitCode code = ExitCode::Success;
    QString message;
    qint64 ms = 0;
    int retries = 0;
    // Its update run began on the scale: its end is recorded.
    bool runStarted = false;

    // Its --json object: port, serial, ok, exit, message, seconds, retries.
    QJsonObject json() const;
};

// The end of the whole bench, from its scales in port order: the status of the first scale not
// done (0 when every one is), and the summary naming each scale that is not; with no scale, no
// scale answers (refused: the ports the user may not open).
struct BenchEnd
{
    ExitCode code = ExitCode::Success;
    QString text;
    QJsonArray scales; // their --json objects
};
BenchEnd benchEnd(const QList<BenchScale> &scales, const QStringList &refused, qint64 ms);

class ScaleBench final : public QObject
{
    Q_OBJECT
public:
    ScaleBench(platform::SerialSystem &ports,
               const platform::Clock &clock,
               CommandOutput &output,
               QObject *parent = nullptr);
    ~ScaleBench() override;

    // On the ports named, in ascending order, where a port without a scale is that scale's
    // failure; or, with none named, on every port the system lists, where a port without a scale
    // is left out.
    void start(const core::FlashImage &image, const QList<int> &named);
    void interrupt();

    // The scales that took part, in port order; complete once finished() has come.
    QList<BenchScale> scales() const;
    // The ports left out that the user may not open (the no-scale advice names them).
    QStringList refused() const { return m_refused; }

Q_SIGNALS:
    // A scale's update has ended, however it ended.
    void scaleEnded(const cli::BenchScale &scale);
    void finished();

private:
    struct Scale;

    void serialRead(Scale &scale, const device::SerialRead &read);
    void program(Scale &scale);
    void showProgress(Scale &scale, const core::RunProgress &progress);
    void end(Scale &scale, ExitCode code, const QString &message);
    void leaveOut(Scale &scale);
    void endIfAllEnded();

    platform::SerialSystem &m_ports;
    const platform::Clock &m_clock;
    CommandOutput &m_output;
    core::FlashImage m_image;
    bool m_named = false;
    bool m_stopping = false;
    qint64 m_startedMs = 0;
    std::vector<std::unique_ptr<Scale>> m_scales;
    QStringList m_refused;
};

} // namespace cli
