#include "cli/ScaleBench.h"
#include "cli/CommandOutput.h"
#include "cli/RunEnd.h"

#include "core/TransferText.h"
#include "device/ScaleIdentity.h"
#include "device/ScaleProgrammer.h"
#include "platform/Clock.h"

#include <QLoggingCategory>

namespace cli {

namespace {

Q_LOGGING_CATEGORY(lcBench, "kovara.bench")

// The phase numbers of a scale's line that are no phase of its run.
constexpr int kEnded = 100;
constexpr int kLeftOut = 101;

// "COM3    12345678  ": the line's head.
QString head(int port, const QString &serial)
{
    return platform::comName(port).leftJustified(8) + serial.leftJustified(10);
}

} // namespace

struct ScaleBench::Scale
{
    int index = 0;
    BenchScale result;
    std::unique_ptr<device::ScaleProgrammer> programmer;
    bool ended = false;
    bool leftOut = false;
};

QJsonObject BenchScale::json() const
{
    return {{QStringLiteral("port"), platform::comName(port)},
            {QStringLiteral("serial"), serial.isEmpty() ? QJsonValue() : QJsonValue(serial)},
            {QStringLiteral("ok"), code == ExitCode::Success},
            {QStringLiteral("exit"), int(code)},
            {QStringLiteral("message"), oneLine(message)},
            {QStringLiteral("seconds"), double(ms) / 1000.0},
            {QStringLiteral("retries"), retries}};
}

BenchEnd benchEnd(const QList<BenchScale> &scales, const QStringList &refused, qint64 ms)
{
    BenchEnd end;
    if (scales.isEmpty())
        return {ExitCode::NoScale, noScaleText(0, refused), {}};
    QStringList notDone;
    for (const BenchScale &scale : scales) {
        end.scales.append(scale.json());
        if (scale.code == ExitCode::Success)
            continue;
        if (notDone.isEmpty())
            end.code = scale.code;
        notDone << head(scale.port, scale.serial).simplified() + QStringLiteral(": ")
                + oneLine(scale.message);
    }
    const int done = int(scales.size() - notDone.size());
    if (notDone.isEmpty()) {
        end.text = ScaleBench::tr("All %1 scales are updated and verified, in %2.")
                       .arg(done)
                       .arg(core::runTimeText(ms));
    } else {
        end.text = ScaleBench::tr("%1 of %2 scales are updated and verified; not done:")
                       .arg(done)
                       .arg(scales.size())
            + QLatin1Char('\n') + notDone.join(QLatin1Char('\n'));
    }
    return end;
}

ScaleBench::ScaleBench(platform::SerialSystem &ports,
                       const platform::Clock &clock,
                       CommandOutput &output,
                       QObject *parent)
    : QObject(parent)
    , m_ports(ports)
    , m_clock(clock)
    , m_output(output)
{ }

// The programmers shut down here: each closes its session and its port on its own thread.
ScaleBench::~ScaleBench() = default;

void ScaleBench::start(const core::FlashImage &image, const QList<int> &named)
{
    m_image = image;
    m_named = !named.isEmpty();
    m_startedMs = m_clock.nowMs();
    QList<int> ports = named;
    if (!m_named) {
        for (const platform::SerialPortInfo &port : m_ports.ports())
            ports << port.number;
    }
    QStringList lines;
    for (const int port : ports) {
        auto scale = std::make_unique<Scale>();
        scale->index = int(m_scales.size());
        scale->result.port = port;
        scale->programmer = std::make_unique<device::ScaleProgrammer>(m_ports, m_clock);
        scale->programmer->setPortNumber(port);
        lines << head(port, QString()) + tr("reading the serial number");
        m_scales.push_back(std::move(scale));
    }
    m_output.beginLines(lines);
    if (m_scales.empty())
        QMetaObject::invokeMethod(this, &ScaleBench::finished, Qt::QueuedConnection);
    for (const auto &scale : m_scales) {
        const auto *job = scale->programmer->readSerialNumber();
        Scale &s = *scale;
        connect(job, &device::ScaleJob::finished, this, [this, &s, job] {
            serialRead(s, job->result());
        });
    }
}

void ScaleBench::interrupt()
{
    m_stopping = true;
    for (const auto &scale : m_scales) {
        if (!scale->ended)
            scale->programmer->stop();
    }
}

QList<BenchScale> ScaleBench::scales() const
{
    QList<BenchScale> scales;
    for (const auto &scale : m_scales) {
        if (!scale->leftOut)
            scales << scale->result;
    }
    return scales;
}

void ScaleBench::serialRead(Scale &scale, const device::SerialRead &read)
{
    const bool answered = !read.openError && device::isSerialNumber(read.serial);
    if (!answered && !m_named) {
        if (read.openError
            && read.openError->kind() == platform::SerialError::Kind::PermissionDenied)
            m_refused << read.openError->text();
        qCInfo(lcBench).noquote() << platform::comName(scale.result.port) << "left out:"
                                  << (read.openError
                                          ? read.openError->text()
                                          : QStringLiteral("answered \"%1\"").arg(read.serial));
        leaveOut(scale);
        return;
    }
    if (m_stopping) {
        end(scale, ExitCode::Stopped, tr("Stopped before the scale was touched."));
        return;
    }
    if (read.openError) {
        end(scale, ExitCode::NoScale, read.openError->text());
        return;
    }
    if (!answered) {
        end(scale, ExitCode::NoScale, noScaleText(scale.result.port, {}));
        return;
    }
    scale.result.serial = read.serial;
    program(scale);
}

void ScaleBench::program(Scale &scale)
{
    using device::ScaleJob;
    qCInfo(lcBench).noquote() << "updating scale" << scale.result.serial << "on"
                              << platform::comName(scale.result.port);
    const auto *job = scale.programmer->update(m_image);
    scale.result.runStarted = true;
    connect(job, &ScaleJob::serialNumberUsed, this, [&scale](const QString &serial) {
        scale.result.serial = serial;
    });
    connect(job, &ScaleJob::progress, this, [this, &scale](const core::RunProgress &progress) {
        showProgress(scale, progress);
    });
    connect(job, &ScaleJob::finished, this, [this, &scale, job] {
        scale.result.retries = job->result().retries;
        const RunEnd ended = runEnd(job->result().outcome,
                                    m_stopping,
                                    scale.result.port,
                                    scale.result.serial,
                                    m_clock.nowMs() - m_startedMs);
        end(scale, ended.code, ended.text);
    });
}

void ScaleBench::showProgress(Scale &scale, const core::RunProgress &progress)
{
    const qint64 steps = 2 * qint64(progress.blocks);
    const int percent = steps > 0 ? int(runStepsDone(progress) * 100 / steps) : 0;
    m_output.line(scale.index,
                  int(progress.phase),
                  percent,
                  head(scale.result.port, scale.result.serial)
                      + QStringLiteral("%1%  ").arg(percent, 3) + core::runProgressText(progress));
}

void ScaleBench::end(Scale &scale, ExitCode code, const QString &message)
{
    scale.ended = true;
    scale.result.code = code;
    scale.result.message = message;
    scale.result.ms = m_clock.nowMs() - m_startedMs;
    scale.programmer->close();
    qCInfo(lcBench).noquote() << platform::comName(scale.result.port) << "ended with" << int(code)
                              << ":" << oneLine(message);
    const QString words = code == ExitCode::Success
        ? tr("100%  updated and verified, in %1").arg(core::runTimeText(scale.result.ms))
        : oneLine(message);
    m_output.line(scale.index, kEnded, -1, head(scale.result.port, scale.result.serial) + words);
    Q_EMIT scaleEnded(scale.result);
    endIfAllEnded();
}

void ScaleBench::leaveOut(Scale &scale)
{
    scale.ended = true;
    scale.leftOut = true;
    scale.programmer->close();
    m_output.line(scale.index, kLeftOut, -1, head(scale.result.port, QString()) + tr("no scale"));
    endIfAllEnded();
}

void ScaleBench::endIfAllEnded()
{
    for (const auto &scale : m_scales) {
        if (!scale->ended)
            return;
    }
    Q_EMIT finished();
}

} // namespace cli
