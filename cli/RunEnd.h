#pragma once

// How a run on a scale ended, in the command line's words and exit status: the same for one scale
// and for each of several.

#include "cli/CommandLine.h"
#include "core/RunProgress.h"
#include "device/RunObserver.h"

#include <QString>
#include <QStringList>

namespace cli {

struct RunEnd
{
    ExitCode code = ExitCode::Success;
    QString text;
};

// The end of an update run on port, opened with serial; stopped: the user asked it to stop.
RunEnd runEnd(device::RunOutcome outcome, bool stopped, int port, const QString &serial, qint64 ms);

// No scale answers on port (on any port when 0); refused: the ports the user may not open.
QString noScaleText(int port, const QStringList &refused);

// "COM1, COM3".
QString portNames(const QList<int> &ports);

// A run's blocks programmed, then verified, as one way: how far it is of twice its blocks.
qint64 runStepsDone(const core::RunProgress &progress);

} // namespace cli
