#include "MakerServer.h"

#include "HostPath.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace testing_support {

MakerServer::MakerServer(Files files, int port, const QStringList &arguments)
    : m_log(m_files.filePath(QStringLiteral(".server.log")))
{
    QStringList all = QStringList {QStringLiteral("--port"), QString::number(port)} + arguments
        + QStringList {QStringLiteral("--log"), hostPath(m_log.fileName())};
    if (files == Files::OwnFolder)
        all << QStringLiteral("--files") << hostPath(m_files.path());
    m_process.start(QStringLiteral(KOVARA_BIN_DIR "/kovara-maker-server"), all);
    // The server names its address on its first line.
    QElapsedTimer waited;
    waited.start();
    QByteArray text;
    while (!text.contains("listening on") && waited.elapsed() < 10000) {
        QThread::msleep(10);
        if (m_log.isOpen() || m_log.open(QIODevice::ReadOnly))
            text += m_log.readAll();
    }
    const qsizetype at = text.indexOf("http://");
    if (at >= 0)
        m_url = QString::fromLatin1(text.mid(at, text.indexOf('\n', at) - at).trimmed());
    m_text = QString::fromLatin1(text);
}

MakerServer::~MakerServer()
{
    // Under Wine the kill does not reach a Linux process: the server ends when its log goes.
    m_log.close();
    QFile::remove(m_log.fileName());
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
    // The log line is written before the answer, so it is in the file by now.
    m_text += QString::fromLatin1(m_log.readAll());
    QStringList lines;
    for (const QString &line : m_text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        // Request lines only: the server also logs its own start-up (its query database).
        const QString entry = line.section(QStringLiteral("kovara-maker-server: "), 1);
        if (entry.startsWith(QLatin1String("GET ")) || entry.startsWith(QLatin1String("HEAD "))
            || entry.startsWith(QLatin1String("POST ")))
            lines << entry;
    }
    return lines;
}

} // namespace testing_support
