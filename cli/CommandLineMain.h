#pragma once

// The command line's main(): runs one command on the program's services, on the terminal's
// streams, and returns the process's exit status. Help, the version and a wrong command line need
// no service and are answered before anything is opened.

#include "cli/CommandRun.h"

namespace platform {
class StandardStream;
} // namespace platform

namespace cli {

// True when the arguments ask for a command rather than the wizard (Qt's own options, such as
// -platform, still go to the wizard).
bool wantsCommandLine(const QStringList &arguments);
// Answers help, the version and a wrong command line on the streams; -1 when the command needs
// the services.
int answerWithoutServices(const Command &command, QIODevice &out, QIODevice &err);
// Runs the command until it ends; needs a QCoreApplication. The log lines go to the support log
// only, unless --verbose (main() makes the log).
int runCommand(const Command &command,
               CommandRun::Services services,
               platform::StandardStream &out,
               platform::StandardStream &err);

} // namespace cli
