#include "platform/SupportLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>

namespace platform {

namespace {

struct Sink
{
    QMutex mutex;
    QFile file;
    bool echo = true;
    bool echoDebug = false;
    QtMessageHandler previous = nullptr;
};

Sink *g_sink = nullptr;

void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Sink &sink = *g_sink;
    {
        const QMutexLocker lock(&sink.mutex);
        if (sink.file.isOpen()) {
            sink.file.write(
                (qFormatLogMessage(type, context, message) + QLatin1Char('\n')).toUtf8());
            sink.file.flush();
        }
    }
    if (sink.echo && (type != QtDebugMsg || sink.echoDebug) && sink.previous)
        sink.previous(type, context, message);
}

void rotate(const QString &path)
{
    if (QFileInfo(path).size() <= SupportLog::kRotateBytes)
        return;
    QFile::remove(path + QStringLiteral(".2"));
    QFile::rename(path + QStringLiteral(".1"), path + QStringLiteral(".2"));
    QFile::rename(path, path + QStringLiteral(".1"));
}

} // namespace

SupportLog::SupportLog(const QString &path, bool echo)
{
    Q_ASSERT(!g_sink);
    g_sink = new Sink;
    g_sink->echo = echo;
    g_sink->echoDebug = qEnvironmentVariableIsSet("QT_LOGGING_RULES");
    QDir().mkpath(QFileInfo(path).absolutePath());
    rotate(path);
    g_sink->file.setFileName(path);
    if (!g_sink->file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        qWarning("support log %s: %s", qPrintable(path), qPrintable(g_sink->file.errorString()));
    // The transcript is for the file; QT_LOGGING_RULES still decides, as it wins over this.
    QLoggingCategory::setFilterRules(QStringLiteral("kovara.scale.link.debug=true"));
    g_sink->previous = qInstallMessageHandler(handle);
}

SupportLog::~SupportLog()
{
    qInstallMessageHandler(g_sink->previous);
    delete g_sink;
    g_sink = nullptr;
}

bool SupportLog::isOpen() const
{
    return g_sink->file.isOpen();
}

} // namespace platform
