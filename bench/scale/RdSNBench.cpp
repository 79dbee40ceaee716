// The serial-number read as the program makes it (device::readSerialNumber over device::ScaleLink,
// with its discard, send-queue wait and rounded deadline) through the real serial port against
// kovara-virtual-scale paced at 19200 baud on a pseudo-terminal:
//   RdSNRoundTrip  median against the line's own 69.8 ms (134 bytes at 0.52 ms)
//   RdSNNoAnswer   CPU time of the whole read when the scale is silent (about 10 s of waiting);
//                  the goal is under 50 ms

#include "device/ScaleIdentity.h"
#include "device/ScaleLink.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

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

void RdSNRoundTrip(benchmark::State &state)
{
    auto scale = startScale(g_ports->path(), 5, QStringLiteral("20231187"), {});
    auto port = openPort(g_ports->path(), 5);
    platform::SystemClock clock;
    device::ScaleLink link(*port, clock);
    std::vector<double> times;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        if (device::readSerialNumber(link) != QStringLiteral("20231187")) {
            state.SkipWithError("the scale did not answer with its number");
            break;
        }
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
BENCHMARK(RdSNRoundTrip)->Iterations(30)->Unit(benchmark::kMillisecond)->UseRealTime();

void RdSNNoAnswer(benchmark::State &state)
{
    auto scale = startScale(g_ports->path(), 6, QStringLiteral("20231187"), {"--silent"});
    auto port = openPort(g_ports->path(), 6);
    platform::SystemClock clock;
    device::ScaleLink link(*port, clock);
    for (auto _ : state) {
        const double cpuBefore = cpuMs();
        QElapsedTimer timer;
        timer.start();
        const QString serial = device::readSerialNumber(link);
        state.counters["cpu_ms"] = cpuMs() - cpuBefore;
        state.counters["wait_ms"] = double(timer.elapsed());
        if (!serial.isEmpty())
            state.SkipWithError("a silent scale answered");
    }
    port->close();
    stopScale(*scale);
}
BENCHMARK(RdSNNoAnswer)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

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
