#pragma once

// The maker server tool on a free port of loopback, serving a folder of test files, with its
// request log at hand: tests check what the program asked for (the Range and If-Range of each
// request), not only what it wrote. ScriptedSocketServer is a hand-made server for answers the
// tool does not give: silence, or a body that stops coming.

#include "MakerPort.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <vector>

namespace testing_support {

class LoggedServer
{
public:
    LoggedServer()
        : m_url(startMakerServer(
            m_process,
            {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--files"), folder()}))
    { }
    ~LoggedServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    QString url() const { return m_url; }
    QString folder() const { return m_files.path(); }

    // Puts a file into the served folder.
    void put(const QString &name, const QByteArray &content)
    {
        QFile file(m_files.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
    }

    // The requests logged so far, as "GET /files/x Range: bytes=0-".
    QStringList requests()
    {
        // The log line is written before the answer, so it is in the pipe by now.
        QElapsedTimer waited;
        waited.start();
        while (m_process.waitForReadyRead(20) && waited.elapsed() < 500) { }
        m_log += QString::fromLatin1(m_process.readAllStandardError());
        QStringList lines;
        for (const QString &line : m_log.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            // Request lines only: the server also logs its own start-up (its query database).
            const QString entry = line.section(QStringLiteral("kovara-maker-server: "), 1);
            if (entry.startsWith(QLatin1String("GET ")) || entry.startsWith(QLatin1String("HEAD "))
                || entry.startsWith(QLatin1String("POST ")))
                lines << entry;
        }
        return lines;
    }

private:
    QTemporaryDir m_files;
    QProcess m_process;
    QString m_url;
    QString m_log;
};

// A hand-made server on loopback for answers the tool does not give. Each request gets the next
// of the answers; with none left it gets none (a silent server). After an answer the connection
// stays open or is closed.
class ScriptedSocketServer
{
public:
    enum class After { StayOpen, Close };
    explicit ScriptedSocketServer(QByteArray answer = {})
        : ScriptedSocketServer(std::vector<QByteArray> {std::move(answer)}, After::StayOpen)
    { }
    ScriptedSocketServer(std::vector<QByteArray> answers, After after)
        : m_answers(std::move(answers))
        , m_after(after)
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request += socket->readAll();
                    if (!request.contains("\r\n\r\n") || m_next >= m_answers.size())
                        return;
                    request.clear();
                    socket->write(m_answers[m_next++]);
                    if (m_after == After::Close)
                        socket->disconnectFromHost();
                });
            }
        });
    }
    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/f.bin").arg(m_server.serverPort());
    }
    QByteArray request;

private:
    QTcpServer m_server;
    std::vector<QByteArray> m_answers;
    After m_after;
    std::size_t m_next = 0;
};

// An address on loopback where nothing listens.
inline QString closedPortUrl()
{
    QTcpServer reserve;
    reserve.listen(QHostAddress::LocalHost);
    const quint16 port = reserve.serverPort();
    reserve.close();
    return QStringLiteral("http://127.0.0.1:%1/files/update.hex").arg(port);
}

// A file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Bytes that are not all the same, so a splice or an offset error shows in a comparison.
inline QByteArray patternBytes(int size, int seed = 1)
{
    QByteArray bytes(size, '\0');
    quint32 state = 2463534242u + static_cast<quint32>(seed);
    for (int i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<char>(state & 0xFF);
    }
    return bytes;
}

} // namespace testing_support
