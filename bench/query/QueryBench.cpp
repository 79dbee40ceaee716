// Reply parsing must grow linearly with the reply (two sizes: 1 MB and 10 MB, 100,000 records),
// and the cipher's throughput.

#include "core/QueryCodec.h"
#include "core/Rc4.h"
#include "net/MakerClient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>

#include <QCoreApplication>
#include <QProcess>

#include <benchmark/benchmark.h>

namespace {

// A record reply of the given number of records, four fields each, about 100 bytes a record,
// with an escaped "|" and "\" in every record.
QByteArray recordReply(int records)
{
    QByteArray reply = QByteArray::number(records) + "\n4\n";
    reply.reserve(records * 104 + 16);
    for (int r = 0; r < records; ++r) {
        reply += "NORVESSIA-" + QByteArray::number(r).rightJustified(8, '0') + "|";
        const QByteArray tariff = QByteArray::number(r % 97);
        reply += "5.1 rates and services for the postal zone\\|tariff " + tariff + "|";
        reply += "C:\\\\Kovara\\\\update" + QByteArray::number(r % 13) + ".hex|";
        reply += "Y|";
    }
    return reply;
}

void BM_ParseRecords(benchmark::State &state)
{
    const QByteArray reply = recordReply(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        RecordTable table = core::parseRecords(reply);
        benchmark::DoNotOptimize(table);
    }
    state.SetBytesProcessed(state.iterations() * reply.size());
    state.counters["reply_MB"] = reply.size() / 1e6;
}
BENCHMARK(BM_ParseRecords)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The whole client side of a large reply: percent-decode, decipher, parse.
void BM_ReplyToTable(benchmark::State &state)
{
    const QByteArray body = core::percentEncode(
        core::rc4(core::kQueryKey, recordReply(static_cast<int>(state.range(0)))));
    for (auto _ : state) {
        QByteArray decoded = core::percentDecode(body);
        RecordTable table = core::parseRecords(core::rc4(core::kQueryKey, decoded));
        benchmark::DoNotOptimize(table);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_ReplyToTable)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_RC4(benchmark::State &state)
{
    QByteArray data(static_cast<int>(state.range(0)), 'x');
    for (auto _ : state) {
        data = core::rc4(core::kQueryKey, std::move(data));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_RC4)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

// One message, as each query makes: the key schedule plus a short statement.
void BM_RC4Statement(benchmark::State &state)
{
    const QByteArray statement
        = "SELECT CurrentVersion From KovaraPCPrograms WHERE Model ='NORVESSIA'";
    for (auto _ : state) {
        benchmark::DoNotOptimize(core::rc4(core::kQueryKey, statement));
    }
}
BENCHMARK(BM_RC4Statement);

// One whole question against the maker server tool on loopback: connection, request, reply.
void BM_RetrieveQueryLoopback(benchmark::State &state)
{
    QProcess server;
    server.start(QStringLiteral(KOVARA_BIN_DIR "/kovara-maker-server"),
                 {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet")});
    QByteArray out;
    while (!out.contains('\n') && server.waitForReadyRead(10000))
        out += server.readAllStandardOutput();
    const int at = out.indexOf("http://");
    if (at < 0) {
        state.SkipWithError("maker server did not start");
        return;
    }
    const QString url = QString::fromLatin1(out.mid(at, out.indexOf('\n', at) - at).trimmed())
        + QLatin1String("/kovarapc/samplecodes/sql-link.php");
    QNetworkAccessManager network;
    net::MakerClient client(network, url);
    for (auto _ : state) {
        QEventLoop loop;
        QString value;
        QObject::connect(&client,
                         &net::MakerClient::answered,
                         &loop,
                         [&](net::MakerClient::Question, const net::MakerAnswer &answer) {
                             value = answer.value.value_or(QString());
                             loop.quit();
                         });
        client.ask(net::MakerClient::Question::LatestVersion);
        loop.exec();
        if (value != QLatin1String("5.0"))
            state.SkipWithError("unexpected answer");
    }
    server.kill();
    server.waitForFinished();
}
BENCHMARK(BM_RetrieveQueryLoopback)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
