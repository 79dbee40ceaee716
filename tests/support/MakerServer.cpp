#include "MakerServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace testing_support {

MakerPortLock::MakerPortLock()
    : m_lock(QDir::tempPath() + QStringLiteral("/kovara-maker-port-8642.lock"))
{
    m_lock.setStaleLockTime(0);
    m_lock.tryLock(300000);
}

MakerServer::MakerServer(Files files, int port, const QStringList &arguments)
{
    QStringList all = QStringList {QStringLiteral("--port"), QString::number(port)} + arguments;
    if (files == Files::OwnFolder)
        all << QStringLiteral("--files") << m_files.path();
    m_process.start(QStringLiteral(KOVARA_BIN_DIR "/kovara-maker-server"), all);
    // The server names its address on its first line.
    QByteArray out;
    while (!out.contains('\n') && m_process.waitForReadyRead(10000))
        out += m_process.readAllStandardOutput();
    const qsizetype at = out.indexOf("http://");
    if (at >= 0)
        m_url = QString::fromLatin1(out.mid(at, out.indexOf('\n', at) - at).trimmed());
}

MakerServer::~MakerServer()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

void MakerServer::put(const QString &name, const QByteArray &content)
{
    QFile file(m_files.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

QStringList MakerServer::requests()
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

} // namespace testing_support
