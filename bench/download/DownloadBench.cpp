// Throughput of the update file's download with its dialog refreshing, against curl fetching the
// same file from the same maker server in the same run, and the program's peak memory while it
// downloads.
//
//   build/dev/bin/download_bench                 200 MB (KOVARA_BENCH_MB=50 for a quicker run)
//   xvfb-run -a env QT_QPA_PLATFORM=xcb build/dev/bin/download_bench --screenshot=shot.png
//                                                the window in the middle of a slow download
//
// Counters: MB_per_s for each; peak_MB is the process's peak resident size during the download
// (reset before it starts), ratio_to_curl compares the two throughputs.

#include "app/DownloadRun.h"
#include "net/Downloader.h"
#include "platform/Clock.h"
#include "platform/DiskSpace.h"
#include "ui/DownloadDialog.h"
#include "ui/Look.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <functional>

namespace {

struct Setup
{
    QTemporaryDir files;
    QTemporaryDir target;
    QProcess server;
    QString url;
    qint64 bytes = 0;
    double curlSeconds = 0;
};

Setup *g_setup = nullptr;

long peakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

void resetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

// The download as the program runs it: the downloader, its dialog on screen, the run between
// them. whileRunning sees the dialog once it is up.
bool download(const QString &url,
              const QString &out,
              const std::function<void(DownloadDialog &, net::Downloader &)> &whileRunning = {})
{
    static QNetworkAccessManager network;
    static platform::StorageDiskSpace disk;
    static platform::SystemClock clock;
    net::Downloader downloader(network, disk);
    DownloadDialog dialog(QString::fromLatin1(KOVARA_BIN_DIR "/downloading.AVI"));
    static QtPrompts prompts;
    DownloadRun run(downloader, dialog, clock, prompts);
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&run, &DownloadRun::finished, &loop, [&](bool good) {
        ok = good;
        loop.quit();
    });
    dialog.show();
    run.start(url, out);
    if (whileRunning)
        whileRunning(dialog, downloader);
    loop.exec();
    return ok;
}

bool prepare(Setup &setup)
{
    const int megabytes = qEnvironmentVariableIsSet("KOVARA_BENCH_MB")
        ? qEnvironmentVariableIntValue("KOVARA_BENCH_MB")
        : 200;
    QFile file(setup.files.filePath(QStringLiteral("big.hex")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1024 * 1024, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    for (int i = 0; i < megabytes; ++i) {
        block[0] = static_cast<char>(i);
        file.write(block);
    }
    file.close();
    setup.bytes = qint64(megabytes) * 1024 * 1024;

    setup.server.setProgram(QStringLiteral(KOVARA_BIN_DIR "/kovara-maker-server"));
    setup.server.setArguments({QStringLiteral("--port"),
                               QStringLiteral("0"),
                               QStringLiteral("--quiet"),
                               QStringLiteral("--files"),
                               setup.files.path()});
    setup.server.start();
    if (!setup.server.waitForStarted(10000))
        return false;
    QByteArray out;
    while (!out.contains('\n') && setup.server.waitForReadyRead(10000))
        out += setup.server.readAllStandardOutput();
    const int at = out.indexOf("http://");
    if (at < 0)
        return false;
    setup.url = QString::fromLatin1(out.mid(at, out.indexOf('\n', at) - at).trimmed())
        + QStringLiteral("/files/big.hex");
    return true;
}

void BM_Curl(benchmark::State &state)
{
    Setup &setup = *g_setup;
    const QString out = setup.target.filePath(QStringLiteral("curl.hex"));
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const int code = QProcess::execute(
            QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), out, setup.url});
        setup.curlSeconds = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(setup.curlSeconds);
        if (code != 0 || QFileInfo(out).size() != setup.bytes)
            state.SkipWithError("curl failed");
    }
    QFile::remove(out);
    state.counters["MB_per_s"] = setup.bytes / 1048576.0 / setup.curlSeconds;
}

void BM_Download(benchmark::State &state)
{
    Setup &setup = *g_setup;
    const QString out = setup.target.filePath(QStringLiteral("KovaraNorvessia_APROM.hex"));
    double seconds = 0;
    long peak = 0;
    for (auto _ : state) {
        resetPeak();
        QElapsedTimer timer;
        timer.start();
        const bool ok = download(setup.url, out);
        seconds = timer.nsecsElapsed() / 1e9;
        peak = peakKiB();
        state.SetIterationTime(seconds);
        if (!ok || QFileInfo(out).size() != setup.bytes)
            state.SkipWithError("download failed");
    }
    QFile::remove(out);
    state.counters["MB_per_s"] = setup.bytes / 1048576.0 / seconds;
    state.counters["peak_MB"] = peak / 1024.0;
    if (setup.curlSeconds > 0)
        state.counters["ratio_to_curl"] = setup.curlSeconds / seconds;
}

BENCHMARK(BM_Curl)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Download)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

// Downloads a file at a trickle and photographs the screen half-way.
int screenshot(Setup &setup, const QString &path)
{
    const QString url
        = QString(setup.url).replace(QStringLiteral("/files/"), QStringLiteral("/fault/slow/"))
        + QStringLiteral("?bps=2000000");
    const QString out = setup.target.filePath(QStringLiteral("KovaraNorvessia_APROM.hex"));
    bool saved = false;
    download(url, out, [&](DownloadDialog &dialog, net::Downloader &downloader) {
        QTimer::singleShot(2500, &dialog, [&] {
            if (QScreen *screen = QGuiApplication::primaryScreen())
                saved = screen->grabWindow(0).save(path);
            downloader.cancel();
        });
    });
    std::fprintf(
        stderr, "download_bench: %s %s\n", saved ? "saved" : "could not save", qPrintable(path));
    return saved ? 0 : 1;
}

int main(int argc, char **argv)
{
    QString shot;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]).startsWith("--screenshot="))
            shot = QString::fromLocal8Bit(argv[i] + 13);
    }
    if (shot.isEmpty() || qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setFont(look::baseFont());
    Setup setup;
    if (!prepare(setup)) {
        std::fprintf(stderr, "download_bench: cannot start the maker server\n");
        return 1;
    }
    g_setup = &setup;
    if (!shot.isEmpty()) {
        const int result = screenshot(setup, shot);
        setup.server.kill();
        setup.server.waitForFinished(5000);
        return result;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setup.server.kill();
    setup.server.waitForFinished(5000);
    return 0;
}
