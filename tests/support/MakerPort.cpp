#include "MakerPort.h"

#include <QDir>

namespace testing_support {

MakerPortLock::MakerPortLock()
    : m_lock(QDir::tempPath() + QStringLiteral("/kovara-maker-port-8642.lock"))
{
    m_lock.setStaleLockTime(0);
    m_lock.tryLock(300000);
}

QString startMakerServer(QProcess &process, const QStringList &arguments)
{
    process.setProgram(QStringLiteral(KOVARA_BIN_DIR "/kovara-maker-server"));
    process.setArguments(arguments);
    process.start();
    if (!process.waitForStarted(10000))
        return QString();
    QByteArray out;
    while (!out.contains('\n') && process.waitForReadyRead(10000))
        out += process.readAllStandardOutput();
    const int at = out.indexOf("http://");
    if (at < 0)
        return QString();
    return QString::fromLatin1(out.mid(at, out.indexOf('\n', at) - at).trimmed());
}

MakerServerProcess::MakerServerProcess(int port, const QStringList &extraArguments)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_url = startMakerServer(
        m_process, QStringList {QStringLiteral("--port"), QString::number(port)} + extraArguments);
    if (!m_url.isEmpty())
        m_port = m_url.section(QLatin1Char(':'), -1).toInt();
}

MakerServerProcess::~MakerServerProcess()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

} // namespace testing_support
