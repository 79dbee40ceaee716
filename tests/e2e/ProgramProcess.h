#pragma once

// The built program as a separate process with its info log on, for tests that watch it from the
// outside. XDG_DATA_HOME is set to dataHome so its working folder is the test's own.

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

namespace testing_support {

class ProgramProcess
{
public:
    ProgramProcess(QProcessEnvironment env, const QString &dataHome)
    {
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("kovara.*.info=true"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral(KOVARA_BIN_DIR "/kovara-pc-program"), {});
    }
    ~ProgramProcess()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    ProgramProcess(const ProgramProcess &) = delete;
    ProgramProcess &operator=(const ProgramProcess &) = delete;

    // Waits until the log has a line containing text; false after timeoutMs or when the program
    // ended without writing it.
    bool waitForLog(const QByteArray &text, int timeoutMs)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!m_log.contains(text) && elapsed.elapsed() < timeoutMs) {
            m_process.waitForReadyRead(100);
            m_log += m_process.readAll();
            if (m_process.state() == QProcess::NotRunning) {
                m_log += m_process.readAll();
                break;
            }
        }
        return m_log.contains(text);
    }
    // True when the program ended by itself with exit code 0 within timeoutMs.
    bool waitForEnd(int timeoutMs)
    {
        const bool ended = m_process.waitForFinished(timeoutMs);
        m_log += m_process.readAll();
        return ended && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    const QByteArray &log() const { return m_log; }
    // The windows shown not modal, in order.
    QStringList screens() const
    {
        QStringList names;
        for (const QByteArray &line : m_log.split('\n')) {
            const int at = line.indexOf("window shown: ");
            if (at >= 0)
                names << QString::fromLatin1(line.mid(at + 14).split(' ').value(0));
        }
        return names;
    }

private:
    QProcess m_process;
    QByteArray m_log;
};

} // namespace testing_support
