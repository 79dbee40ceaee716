#include "cli/CommandLineMain.h"

#include "platform/InterruptSignal.h"
#include "platform/StandardStream.h"

#include <QCoreApplication>
#include <QTimer>

namespace cli {

bool wantsCommandLine(const QStringList &arguments)
{
    if (arguments.size() <= 1)
        return false;
    const QString &first = arguments.at(1);
    return !first.startsWith(QLatin1Char('-')) || first.startsWith(QLatin1String("--"))
        || first == QLatin1String("-h") || first == QLatin1String("-q");
}

int answerWithoutServices(const Command &command, QIODevice &out, QIODevice &err)
{
    switch (command.kind) {
    case Command::Kind::Help:
        out.write(helpText().toUtf8());
        return int(ExitCode::Success);
    case Command::Kind::Version:
        out.write("kovara-pc-program " + QCoreApplication::applicationVersion().toUtf8() + '\n');
        return int(ExitCode::Success);
    case Command::Kind::Invalid:
        err.write(QStringLiteral("kovara-pc-program: %1\nTry 'kovara-pc-program --help'.\n")
                      .arg(command.error)
                      .toUtf8());
        return int(ExitCode::Usage);
    default:
        return -1;
    }
}

int runCommand(const Command &command,
               CommandRun::Services services,
               platform::StandardStream &out,
               platform::StandardStream &err)
{
    CommandOutput output(out, err, {err.isTerminal(), command.quiet, command.json});
    CommandRun run(services, output);
    platform::InterruptSignal interrupts;
    QObject::connect(
        &interrupts, &platform::InterruptSignal::interrupted, &run, &CommandRun::interrupt);
    QObject::connect(&run, &CommandRun::finished, qApp, [](ExitCode code) {
        QCoreApplication::exit(int(code));
    });
    QTimer::singleShot(0, &run, [&run, &command] { run.start(command); });
    return QCoreApplication::exec();
}

} // namespace cli
