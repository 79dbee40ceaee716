// The scale link's speed and idle cost through the real serial port, against kovara-virtual-scale
// paced at 19200 baud on a pseudo-terminal:
//   ReadBlockRoundTrip  B4h 07h 00h out, 131 bytes back; median against the line's own 69.8 ms
//                       (134 bytes at 0.52 ms)
//   SilentWait          the CPU time of a 10-second wait for an answer that never comes (the
//                       scale is started with --silent); the goal is under 50 ms
// Waiting is done the program's way: the port's blocking wait until the bytes are in.

#include "platform/Clock.h"
#include "platform/SystemSerial.h"

#include "PacedScale.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace {

using namespace bench_support;

QTemporaryDir *g_ports = nullptr;

// Waits the program's way until `count` bytes are in or maxMs have passed.
bool waitForBytes(platform::SerialPort &port, int count, qint64 maxMs)
{
    static platform::SystemClock clock;
    const qint64 deadline = clock.nowMs() + maxMs;
    while (port.bytesAvailable() < count) {
        const qint64 left = deadline - clock.nowMs();
        if (left <= 0)
            return false;
        port.waitForInput(int(left));
    }
    return true;
}

void ReadBlockRoundTrip(benchmark::State &state)
{
    auto scale = startScale(g_ports->path(), 3, QStringLiteral("12345678"), {});
    auto port = openPort(g_ports->path(), 3);
    const QByteArray frame("\xB4\x07\x00", 3);
    std::vector<double> times;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        (void)port->write(frame);
        if (!waitForBytes(*port, 131, 10'000)) {
            state.SkipWithError("the scale did not answer");
            break;
        }
        benchmark::DoNotOptimize(port->read());
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
        state.counters["median_ms"] = times[times.size() / 2];
        state.counters["max_ms"] = times.back();
        state.counters["wire_ms"] = 134 * 10 * 1000.0 / 19200;
    }
    port->close();
    stopScale(*scale);
}
BENCHMARK(ReadBlockRoundTrip)->Iterations(30)->Unit(benchmark::kMillisecond)->UseRealTime();

void SilentWait(benchmark::State &state)
{
    auto scale = startScale(g_ports->path(), 4, QStringLiteral("12345678"), {"--silent"});
    auto port = openPort(g_ports->path(), 4);
    for (auto _ : state) {
        const double cpuBefore = cpuMs();
        (void)port->write(QByteArray("\xB4\x07\x00", 3));
        const bool answered = waitForBytes(*port, 131, 10'000);
        state.counters["cpu_ms"] = cpuMs() - cpuBefore;
        if (answered)
            state.SkipWithError("a silent scale answered");
    }
    port->close();
    stopScale(*scale);
}
BENCHMARK(SilentWait)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("kovara.*.info=false"));
    QTemporaryDir ports;
    g_ports = &ports;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
