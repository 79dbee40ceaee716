#include "MakerPort.h"

#include <QDir>

namespace testing_support {

MakerPortLock::MakerPortLock()
    : m_lock(QDir::tempPath() + QStringLiteral("/kovara-maker-port-8642.lock"))
{
    m_lock.setStaleLockTime(0);
    m_lock.tryLock(300000);
}

MakerServerProcess::MakerServerProcess(int port, const QStringList &extraArguments)
{
    m_process.setProgram(QStringLiteral(KOVARA_BIN_DIR "/kovara-maker-server"));
    m_process.setArguments(QStringList {QStringLiteral("--port"), QString::number(port)}
                           + extraArguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(10000))
        return;
    QByteArray out;
    while (!out.contains('\n') && m_process.waitForReadyRead(10000))
        out += m_process.readAllStandardOutput();
    const int at = out.indexOf("http://");
    if (at < 0)
        return;
    m_url = QString::fromLatin1(out.mid(at, out.indexOf('\n', at) - at).trimmed());
    m_port = m_url.section(QLatin1Char(':'), -1).toInt();
}

MakerServerProcess::~MakerServerProcess()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

} // namespace testing_support
