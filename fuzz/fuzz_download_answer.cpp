// The downloader on any answer from a download server. The input is what the server sends back,
// byte for byte, to each of the downloader's requests in turn, separated by "\n@@\n"; the server
// closes each connection after its answer. Every result that may be resumed is resumed and a
// refused resume is started again, up to six requests.
//
// Invariants: each attempt ends in one result; a download that does not end complete leaves no
// file; a complete download in one request holds the body that came.

#include "FuzzTarget.h"
#include "net/Downloader.h"
#include "platform/DiskSpace.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <optional>
#include <vector>

namespace {

const QByteArray kSeparator("\n@@\n");
constexpr int kMaxRequests = 6;

class RoomyDisk final : public platform::DiskSpace
{
public:
    double freeBytes(const QString &) override { return 1e12; }
};

std::vector<QByteArray> answersOf(const QByteArray &input)
{
    std::vector<QByteArray> answers;
    qsizetype from = 0;
    for (;;) {
        const qsizetype end = input.indexOf(kSeparator, from);
        answers.push_back(input.mid(from, end < 0 ? -1 : end - from));
        if (end < 0)
            return answers;
        from = end + kSeparator.size();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_download_answer";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static const bool quiet = (fuzzing::quietLogging(), true);
    (void)quiet;
    static QTemporaryDir folder;
    static QNetworkAccessManager network;
    static RoomyDisk disk;

    const std::vector<QByteArray> answers
        = answersOf(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    std::size_t served = 0;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            const QByteArray answer = served < answers.size() ? answers[served] : QByteArray();
            ++served;
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, answer] {
                if (!socket->readAll().contains("\r\n\r\n"))
                    return;
                socket->write(answer);
                socket->disconnectFromHost();
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });

    net::Downloader downloader(network, disk, net::Downloader::Options {2000, 4096});
    const QString destination = folder.filePath(QStringLiteral("update.hex"));
    QEventLoop loop;
    int attempts = 0;
    std::optional<net::DownloadResult> last;
    QObject::connect(&downloader, &net::Downloader::finished, &loop, [&](const auto &result) {
        last = result;
        loop.quit();
    });
    downloader.start(QStringLiteral("http://127.0.0.1:%1/update.hex").arg(server.serverPort()),
                     destination);
    for (;;) {
        last.reset();
        ++attempts;
        QTimer::singleShot(10000, &loop, [] { fuzzing::violated("an attempt did not end"); });
        loop.exec();
        using O = net::DownloadResult::Outcome;
        if (attempts >= kMaxRequests)
            break;
        if (last->outcome == O::ResumeRefused)
            downloader.restart();
        else if (last->canResume)
            downloader.resume();
        else
            break;
    }

    const bool complete = last->outcome == net::DownloadResult::Outcome::Complete;
    if (!complete && last->canResume)
        downloader.abandon();
    QFile file(destination);
    if (!complete && file.exists())
        fuzzing::violated("a failed download left its file");
    if (complete) {
        if (!file.open(QIODevice::ReadOnly))
            fuzzing::violated("a complete download without its file");
        const QByteArray &answer = answers.front();
        const qsizetype blank = answer.indexOf("\r\n\r\n");
        const bool plainBody = !answer.left(blank).toLower().contains("transfer-encoding");
        if (attempts == 1 && plainBody && !answer.mid(blank + 4).startsWith(file.readAll()))
            fuzzing::violated("the file is not the body that came");
        file.close();
    }
    QFile::remove(destination);
    return 0;
}
