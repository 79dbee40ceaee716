#include "cli/Terminal.h"

#include "platform/InterruptSignal.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace cli {

bool wantsCommandLine(const QStringList &arguments)
{
    if (arguments.size() <= 1)
        return false;
    const QString &first = arguments.at(1);
    return !first.startsWith(QLatin1Char('-')) || first.startsWith(QLatin1String("--"))
        || first == QLatin1String("-h") || first == QLatin1String("-q");
}

int answerWithoutServices(const Command &command)
{
    switch (command.kind) {
    case Command::Kind::Help:
        std::fputs(qPrintable(helpText()), stdout);
        return int(ExitCode::Success);
    case Command::Kind::Version:
        std::printf("kovara-pc-program %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return int(ExitCode::Success);
    case Command::Kind::Invalid:
        std::fprintf(stderr,
                     "kovara-pc-program: %s\nTry 'kovara-pc-program --help'.\n",
                     qPrintable(command.error));
        return int(ExitCode::Usage);
    default:
        return -1;
    }
}

int runOnTerminal(const Command &command, ConsoleRun::Services services)
{
    QFile out, err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    Console console(out, err, {bool(::isatty(STDERR_FILENO)), command.quiet, command.json});
    ConsoleRun run(services, console);
    platform::InterruptSignal interrupts;
    QObject::connect(
        &interrupts, &platform::InterruptSignal::interrupted, &run, &ConsoleRun::interrupt);
    QObject::connect(&run, &ConsoleRun::finished, qApp, [](ExitCode code) {
        QCoreApplication::exit(int(code));
    });
    QTimer::singleShot(0, &run, [&run, &command] { run.start(command); });
    return QCoreApplication::exec();
}

} // namespace cli
