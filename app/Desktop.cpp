#include "app/Desktop.h"
#include "app/AppLog.h"

#include "core/UpdateSignature.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "ui/Prompts.h"

#include <QLoggingCategory>

namespace {

// The message of each way the desktop's opener fails.
QString openFailure(platform::Shell::Result result)
{
    using Result = platform::Shell::Result;
    switch (result) {
    case Result::OutOfMemory:
        return Desktop::tr("Out of memory");
    case Result::FileNotFound:
        return Desktop::tr("File not found");
    case Result::PathNotFound:
        return Desktop::tr("Path not found");
    case Result::AccessDenied:
        return Desktop::tr("Path/file access error");
    case Result::InvalidProgram:
        return Desktop::tr("The executable file is invalid or corrupt");
    case Result::SharingViolation:
        return Desktop::tr("A sharing violation occurred.");
    case Result::NoValidAssociation:
        return Desktop::tr("This file type does not have a valid file association.");
    case Result::TimedOut:
        return Desktop::tr(
            "The file could not be opened due to time out. Please try again in a moment.");
    case Result::DdeFailed:
        return Desktop::tr("The file could not be opened because the DDE transaction failed. "
                           "Please try again in a moment.");
    case Result::Busy:
        return Desktop::tr("The file could not be opened because the target application is "
                           "busy. Please try again in a moment.");
    case Result::NoAssociation:
        return Desktop::tr("No application is associated with this file type.");
    case Result::LibraryNotFound:
        return Desktop::tr("The specified dynamic-link library was not found.");
    case Result::Opened:
    case Result::Failed:
        break;
    }
    return Desktop::tr(
        "An error occurred occurred whilst trying to open or print the selected file.");
}

} // namespace

Desktop::Desktop(Prompts &prompts,
                 platform::Shell &shell,
                 platform::Process &process,
                 const platform::WorkingFolder &files)
    : m_prompts(prompts)
    , m_shell(shell)
    , m_process(process)
    , m_files(files)
{ }

bool Desktop::openInBrowser(QWidget *over, const QString &address)
{
    const platform::Shell::Result result = m_shell.open(address);
    if (result == platform::Shell::Result::Opened)
        return true;
    qCWarning(lcWizard).noquote() << "could not open" << address << "result" << int(result);
    m_prompts.tell(
        over, {openFailure(result), QMessageBox::Ok, QMessageBox::Warning, tr("Download Error")});
    return false;
}

void Desktop::openQuietly(const QString &address)
{
    m_shell.open(address);
}

bool Desktop::confirmQuit(QWidget *over)
{
    if (!m_prompts.askQuit(over, QuitDialog::Subject::ScaleUpdate))
        return false;
    quit();
    return true;
}

void Desktop::quit()
{
    endDeleting(
        {m_files.bannerFile(), m_files.updateFile(), core::signaturePath(m_files.updateFile())});
}

void Desktop::end(int status)
{
    m_process.end(status);
}

void Desktop::finishRun()
{
    qCInfo(lcWizard) << "update finished; the working files go";
    endDeleting(
        {m_files.updateFile(), core::signaturePath(m_files.updateFile()), m_files.bannerFile()});
}

void Desktop::endDeleting(const QStringList &files)
{
    for (const QString &file : files)
        platform::deleteFile(file);
    m_process.end(0);
}
