#pragma once

// What the wizard asks of the desktop and of the process: an address opened in the browser, and
// the end of the program, which takes the working files with it.

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class Prompts;
class QWidget;

namespace platform {
class Process;
class Shell;
class WorkingFolder;
} // namespace platform

class Desktop
{
    Q_DECLARE_TR_FUNCTIONS(Desktop)
public:
    Desktop(Prompts &prompts,
            platform::Shell &shell,
            platform::Process &process,
            const platform::WorkingFolder &files);

    // Hands an address to the browser; a failure is told in a box over `over`.
    bool openInBrowser(QWidget *over, const QString &address);
    // The same without a word on failure, for an address the window shows anyway.
    void openQuietly(const QString &address);
    // The quit question about the scale update, modal over `over`. Yes acts at once: quit().
    bool confirmQuit(QWidget *over);
    // What Yes to the quit question does: the working files go (the banner, then the update
    // file) and the program ends.
    void quit();
    // Ends the program with its status, leaving the working files as they are.
    void end(int status = 0);
    // The end of a successful run: the update file, then the banner, go and the program ends.
    void finishRun();

private:
    // The working files go in the order given (the quit and the end of a run each keep their
    // own), then the program ends.
    void endDeleting(const QStringList &files);

    Prompts &m_prompts;
    platform::Shell &m_shell;
    platform::Process &m_process;
    const platform::WorkingFolder &m_files;
};
