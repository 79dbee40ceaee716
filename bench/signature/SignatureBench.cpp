// What the signature check adds to loading an update file: the 64 KiB image written as the
// maker's tools write it (about 180 KB of Intel HEX), read and loaded with and without its
// signature checked. Run: build/dev/bin/signature_bench (target: under 50 ms added).

#include "UpdateFile.h"

#include "core/HexLoader.h"
#include "core/UpdateSignature.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct SignedFile
{
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("KovaraNorvessia_APROM.hex"));
    SignedFile() { testing_support::writeUpdateFile(path, testing_support::applicationImage()); }
};

void loadOnly(benchmark::State &state)
{
    const SignedFile file;
    core::FlashImage image;
    for (auto _ : state)
        benchmark::DoNotOptimize(core::loadIntelHexFile(file.path, image).ok);
    state.counters["bytes"] = double(QFileInfo(file.path).size());
}

void readCheckAndLoad(benchmark::State &state)
{
    const SignedFile file;
    const QList<core::TrustedKey> trusted = testing_support::keysOfThisBuild();
    core::FlashImage image;
    for (auto _ : state) {
        const core::UpdateFileRead read = core::readUpdateFile(file.path, trusted);
        if (read.signature.outcome != core::SignatureCheck::Outcome::Signed)
            state.SkipWithError("the signature did not hold");
        benchmark::DoNotOptimize(core::loadIntelHex(read.bytes, image).ok);
    }
}

} // namespace

BENCHMARK(loadOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(readCheckAndLoad)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
