#include "cli/CommandLine.h"

#include "platform/SystemSerial.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>

namespace cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("cli::CommandLine", text);
}

// The number of COMn, "n" or a device the port rule numbers; 0 when there is none.
int portNumber(const QString &text)
{
    if (const int number = platform::comNumber(QStringLiteral("COM") + text))
        return number;
    if (const int number = platform::comNumber(text))
        return number;
    return platform::comNumberOfDevice(text);
}

// The options, each with the words --help shows for it, in the order it shows them.
struct Options
{
    QCommandLineOption file {QStringLiteral("file"),
                             tr("update the scale from this update file"),
                             QStringLiteral("PATH")};
    QCommandLineOption url {QStringLiteral("url"),
                            tr("download the update file from this address first"),
                            QStringLiteral("URL")};
    QCommandLineOption port {QStringLiteral("port"),
                             tr("the scale's port: %1; without it every serial port is searched "
                                "for the scale; given again, each port's scale is updated at once")
                                 .arg(platform::portSpellings()),
                             QStringLiteral("PORT")};
    QCommandLineOption allPorts {QStringLiteral("all-ports"),
                                 tr("update at once the scale on every port where one answers")};
    QCommandLineOption allowUnsigned {QStringLiteral("allow-unsigned"),
                                      tr("write an update file that carries no signature of "
                                         "Kovara's; only when Kovara's support says so")};
    QCommandLineOption quiet {{QStringLiteral("q"), QStringLiteral("quiet")},
                              tr("print nothing but a failure")};
    QCommandLineOption json {QStringLiteral("json"), tr("print the result as one JSON object")};
    QCommandLineOption verbose {QStringLiteral("verbose"),
                                tr("print the program's log lines as well")};
    QCommandLineOption listPorts {QStringLiteral("list-ports"),
                                  tr("list the serial ports and their devices")};
    QCommandLineOption readSerial {QStringLiteral("read-serial"),
                                   tr("read the scale's serial number")};
    QCommandLineOption serial {QStringLiteral("serial"),
                               tr("history: the records of this scale only"),
                               QStringLiteral("N")};
    QCommandLineOption help {{QStringLiteral("h"), QStringLiteral("help")}, tr("show this help")};
    QCommandLineOption version {QStringLiteral("version"), tr("print the program's version")};

    QList<QCommandLineOption> all() const
    {
        return {file,
                url,
                port,
                allPorts,
                allowUnsigned,
                quiet,
                json,
                verbose,
                listPorts,
                readSerial,
                serial,
                help,
                version};
    }
};

// "  --port PORT     the scale's port: ...", the words wrapped under each other.
QString optionLines(const QList<QCommandLineOption> &options)
{
    constexpr int kNameWidth = 18;
    constexpr int kLineWidth = 94;
    QString text;
    for (const QCommandLineOption &option : options) {
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString line = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            line += QLatin1Char(' ') + option.valueName();
        line = line.leftJustified(kNameWidth + 2);
        const QString indent(kNameWidth + 2, QLatin1Char(' '));
        for (const QString &word : option.description().split(QLatin1Char(' '))) {
            if (line.size() + 1 + word.size() > kLineWidth && line.size() > indent.size()) {
                text += line + QLatin1Char('\n');
                line = indent;
            }
            line += (line.endsWith(QLatin1Char(' ')) ? QString() : QStringLiteral(" ")) + word;
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

Command invalid(const QString &error)
{
    Command command;
    command.kind = Command::Kind::Invalid;
    command.error = error;
    return command;
}

} // namespace

Command parseCommandLine(const QStringList &arguments)
{
    if (arguments.size() <= 1)
        return {};
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const Options options;
    parser.addOptions(options.all());
    if (!parser.parse(arguments))
        return invalid(parser.errorText());

    Command command;
    command.quiet = parser.isSet(options.quiet);
    command.json = parser.isSet(options.json);
    command.verbose = parser.isSet(options.verbose);
    command.allowUnsigned = parser.isSet(options.allowUnsigned);
    command.file = parser.value(options.file);
    command.url = parser.value(options.url);
    for (const QString &name : parser.values(options.port)) {
        const int number = portNumber(name);
        if (number == 0)
            return invalid(
                tr("\"%1\" is not a serial port (%2)").arg(name, platform::portSpellings()));
        if (!command.ports.contains(number))
            command.ports << number;
    }
    std::sort(command.ports.begin(), command.ports.end());
    command.allPorts = parser.isSet(options.allPorts);
    const QStringList words = parser.positionalArguments();
    const bool update = words == QStringList {QStringLiteral("update")};
    const bool history = words == QStringList {QStringLiteral("history")};
    if (!words.isEmpty() && !update && !history)
        return invalid(tr("unknown command \"%1\"").arg(words.join(QLatin1Char(' '))));
    const int commands = int(update) + int(history) + int(parser.isSet(options.listPorts))
        + int(parser.isSet(options.readSerial)) + int(parser.isSet(options.help))
        + int(parser.isSet(options.version));
    if (commands != 1)
        return invalid(tr("give one command: update, history, --list-ports, --read-serial, --help "
                          "or --version"));
    if (parser.isSet(options.help))
        command.kind = Command::Kind::Help;
    else if (parser.isSet(options.version))
        command.kind = Command::Kind::Version;
    else if (parser.isSet(options.listPorts))
        command.kind = Command::Kind::ListPorts;
    else if (parser.isSet(options.readSerial))
        command.kind = Command::Kind::ReadSerial;
    else if (history)
        command.kind = Command::Kind::History;
    else
        command.kind = Command::Kind::Update;

    if (command.kind == Command::Kind::Update && command.file.isEmpty() == command.url.isEmpty())
        return invalid(tr("update needs either --file PATH or --url URL"));
    if (command.kind != Command::Kind::Update
        && (parser.isSet(options.file) || parser.isSet(options.url)
            || parser.isSet(options.allowUnsigned)))
        return invalid(tr("--file, --url and --allow-unsigned belong to update"));
    if (command.allPorts && (command.kind != Command::Kind::Update || !command.ports.isEmpty()))
        return invalid(tr("--all-ports belongs to update, without --port"));
    if (command.kind == Command::Kind::ReadSerial && command.ports.size() > 1)
        return invalid(tr("--read-serial reads one port"));
    command.serial = parser.value(options.serial);
    if (command.kind != Command::Kind::History && parser.isSet(options.serial))
        return invalid(tr("--serial belongs to history"));
    return command;
}

QString helpText()
{
    return tr(R"(Usage:
  kovara-pc-program                 the update wizard
  kovara-pc-program update (--file PATH | --url URL) [--port PORT]... [--all-ports]
                           [--allow-unsigned] [--quiet] [--json]
  kovara-pc-program --list-ports [--json]
  kovara-pc-program --read-serial [--port PORT] [--json]
  kovara-pc-program history [--serial N] [--json]
  kovara-pc-program --help | --version

Brings a Kovara scale's postage rates and services up to date from the terminal. The update
file (Intel HEX) is checked whole, and its signature by Kovara (NAME.minisig beside it, or
fetched after it), before the scale is touched; every block is read back and compared, and a
file fetched with --url is resumed after a break and deleted once the scale is updated.

Options:
%1
With --port given more than once, or --all-ports, the file is fetched and checked once, then
the scales are updated at once, each on its own port under its own serial number, with a line
each. A scale that fails ends alone; the exit status is that of the first scale not done, in port
order (3 when --all-ports finds no scale), and 0 only when every scale is updated and verified.

Every update of a scale, finished, failed or stopped, leaves a record in history.jsonl beside the
support log; history lists them.

Progress and messages go to standard error: a bar on a terminal, plain lines otherwise. The
result line, or with --json the JSON object, goes to standard output. Ctrl-C during the update
stops it between two frames with the session closed; run the update again afterwards.

Exit status:
  0  done: the scale is updated and verified (or the ports are listed, the number read, the
     history shown)
  1  the command line is wrong
  2  the update file is missing, unreadable or not a valid update file
  3  no scale: the port cannot be opened, or no scale answers
  4  communication error: the scale stopped answering or refused the session
  5  the update file could not be downloaded
  6  stopped by Ctrl-C, or as the system ended the program (SIGTERM; on Windows the
     console window closed, a log-off or a shutdown): the update is unfinished and must
     be run again
  7  the update file's signature is not Kovara's or does not hold, or the file carries
     none and --allow-unsigned was not given
)")
        .arg(optionLines(Options().all()));
}

QString windowedProgramText()
{
    return tr("kovara-pc-program.exe is the update wizard and runs no command. The command line is "
              "kovara-pc-program, typed without .exe: try 'kovara-pc-program --help'.");
}

} // namespace cli
