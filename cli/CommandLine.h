#pragma once

// The program's command line. Without arguments the program is the wizard; with them it runs
// one command on the terminal, for service benches and scripts:
//
//   kovara-pc-program update (--file PATH | --url URL) [--port PORT]... [--all-ports]
//                            [--allow-unsigned] [--quiet] [--json]
//   kovara-pc-program --list-ports [--json]
//   kovara-pc-program --read-serial [--port PORT] [--json]
//   kovara-pc-program history [--serial N] [--json]
//   kovara-pc-program --help | --version
//
// PORT is COMn, its number, or a device such as /dev/ttyUSB0; without it the ports are searched
// as the wizard searches them. Several ports, or --all-ports, update several scales at once.

#include "platform/Process.h"

#include <QString>
#include <QStringList>

namespace cli {

// What the process returns; --help and the manual page list them.
enum class ExitCode {
    Success = 0,
    Usage = 1,       // the command line is wrong
    FileRefused = 2, // the update file is missing, unreadable or not a valid update file
    NoScale = 3,     // the port cannot be opened, or no scale answers
    ScaleError = 4,  // the scale stopped answering during the update, or refused the session
    DownloadFailed = 5,
    // interrupted (Ctrl-C, the console's close, the session's end): the update is unfinished and
    // must be run again
    Stopped = platform::kStoppedStatus,
    // the update file's signature is not Kovara's or does not hold, or the file carries none
    // (without --allow-unsigned)
    SignatureRefused = 7,
};

struct Command
{
    enum class Kind { Wizard, Help, Version, ListPorts, ReadSerial, Update, History, Invalid };
    Kind kind = Kind::Wizard;
    // The ports named, each once in ascending order; none: search the ports.
    QList<int> ports;
    // update: every port where a scale answers.
    bool allPorts = false;
    QString file;
    QString url;
    bool quiet = false;
    bool json = false;
    bool verbose = false;
    bool allowUnsigned = false;
    QString serial; // History: that scale's records only
    QString error;  // Invalid: what is wrong, for the user

    // The port named, 0 when none was.
    int port() const { return ports.value(0); }
    // An update of several scales at once.
    bool manyScales() const { return allPorts || ports.size() > 1; }
};

// arguments as main() gets them, the program's name first.
Command parseCommandLine(const QStringList &arguments);
QString helpText();
// What the windowed Windows program says when it is given a command (typed with its .exe, or a
// shortcut with arguments): the command line is its console companion.
QString windowedProgramText();

} // namespace cli
