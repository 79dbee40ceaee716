#pragma once

// kovara-maker-server for tests, on a port of loopback (0: a free one), killed on destruction. It
// serves either the built-in sample files or a folder of its own that the test fills (put), and
// its request log is at hand (requests(), unless "--quiet" is among the arguments), so tests
// check what the program asked for (the Range and If-Range of each request), not only what it
// wrote. A test that runs the program against it names its address (TestPlatform's
// Options::addresses, or KOVARA_MAKER_URL for the dev build's program).

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace testing_support {

class MakerServer
{
public:
    enum class Files { Samples, OwnFolder };
    explicit MakerServer(Files files = Files::Samples,
                         int port = 0,
                         const QStringList &arguments = {});
    ~MakerServer();
    MakerServer(const MakerServer &) = delete;
    MakerServer &operator=(const MakerServer &) = delete;

    // "http://127.0.0.1:PORT", or empty when the server did not start.
    QString url() const { return m_url; }
    int port() const { return m_url.section(QLatin1Char(':'), -1).toInt(); }
    // Puts a file into the served folder.
    void put(const QString &name, const QByteArray &content);
    // The requests logged so far, as "GET /files/x Range: bytes=0-".
    QStringList requests();

private:
    QTemporaryDir m_files;
    QProcess m_process;
    QString m_url;
    // What the server prints, in a file: a Windows test under Wine cannot read a Linux
    // program's output streams.
    QFile m_log;
    QString m_text;
};

} // namespace testing_support
