#pragma once

// What the scale benchmarks share: kovara-virtual-scale paced at 19200 baud on a pseudo-terminal,
// linked as COMn in a ports folder that the benchmark's main() makes, a real serial port opened
// on it, and the process's CPU clock.

#include "platform/SerialPort.h"
#include "platform/SystemSerial.h"

#include <QProcess>
#include <QStringList>

#include <ctime>
#include <memory>

namespace bench_support {

// Starts a paced scale with a serial number as COMn in portsDir; stop it with stopScale.
inline std::unique_ptr<QProcess>
startScale(const QString &portsDir, int number, const QString &serial, const QStringList &extra)
{
    auto scale = std::make_unique<QProcess>();
    scale->setProgram(QStringLiteral(KOVARA_BIN_DIR "/kovara-virtual-scale"));
    scale->setArguments(QStringList {QStringLiteral("--ports-dir"),
                                     portsDir,
                                     QStringLiteral("--com"),
                                     QString::number(number),
                                     QStringLiteral("--serial"),
                                     serial,
                                     QStringLiteral("--pace")}
                        + extra);
    scale->start();
    while (scale->waitForReadyRead(5000) && !scale->canReadLine()) { }
    return scale;
}

inline void stopScale(QProcess &scale)
{
    scale.terminate();
    scale.waitForFinished(5000);
}

// COMn of portsDir at the scale's settings, open.
inline std::unique_ptr<platform::SerialPort> openPort(const QString &portsDir, int number)
{
    platform::SystemSerial ports(portsDir);
    auto port = ports.createPort();
    port->setPortNumber(number);
    port->open();
    return port;
}

// CPU time of this process, in milliseconds.
inline double cpuMs()
{
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace bench_support
