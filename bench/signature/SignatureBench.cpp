// What the signature check adds to loading an update file: the 64 KiB image written as the
// maker's tools write it (about 160 KB of Intel HEX), read and loaded with and without its
// signature checked, the median of many runs each. Plain output, so that it runs under Wine too.
// Run: build/dev/bin/signature_bench (target: under 50 ms added).

#include "UpdateFile.h"

#include "core/HexLoader.h"
#include "core/UpdateSignature.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianMs(const std::function<bool()> &work)
{
    std::vector<double> times;
    for (int run = 0; run < 101; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (!work())
            return -1;
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + 50, times.end());
    return times[50];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("KovaraNorvessia_APROM.hex"));
    testing_support::writeUpdateFile(path, testing_support::applicationImage());
    const QList<core::TrustedKey> trusted = testing_support::keysOfThisBuild();
    core::FlashImage image;

    const double loadOnly = medianMs([&] { return core::loadIntelHexFile(path, image).ok; });
    const double checked = medianMs([&] {
        const core::UpdateFileRead file = core::readUpdateFile(path, trusted);
        return file.signature.outcome == core::SignatureCheck::Outcome::Signed
            && core::loadIntelHex(file.bytes, image).ok;
    });
    if (loadOnly < 0 || checked < 0) {
        std::fprintf(stderr, "the file did not load, or its signature did not hold\n");
        return 2;
    }
    const double added = checked - loadOnly;
    std::printf("update file        %lld bytes\n", QFileInfo(path).size());
    std::printf("load alone         %.2f ms (median of 101)\n", loadOnly);
    std::printf("read, check, load  %.2f ms\n", checked);
    std::printf("the check adds     %.2f ms (target < 50 ms)\n", added);
    return added < 50 ? 0 : 1;
}
