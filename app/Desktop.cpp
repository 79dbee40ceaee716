#include "app/Desktop.h"
#include "app/AppLog.h"

#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "ui/Prompts.h"

#include <QLoggingCategory>

namespace {

// The desktop opener's failure codes, each with its message.
QString openFailure(int code)
{
    switch (code) {
    case 0:
    case 8:
        return Desktop::tr("Out of memory");
    case 2:
        return Desktop::tr("File not found");
    case 3:
        return Desktop::tr("Path not found");
    case 5:
        return Desktop::tr("Path/file access error");
    case 11:
        return Desktop::tr("The executable file is invalid or corrupt");
    case 26:
        return Desktop::tr("A sharing violation occurred.");
    case 27:
        return Desktop::tr("This file type does not have a valid file association.");
    case 28:
        return Desktop::tr(
            "The file could not be opened due to time out. Please try again in a moment.");
    case 29:
        return Desktop::tr("The file could not be opened because the DDE transaction failed. "
                           "Please try again in a moment.");
    case 30:
        return Desktop::tr("The file could not be opened because the target application is "
                           "busy. Please try again in a moment.");
    case 31:
        return Desktop::tr("No application is associated with this file type.");
    case 32:
        return Desktop::tr("The specified dynamic-link library was not found.");
    default:
        return Desktop::tr(
            "An error occurred occurred whilst trying to open or print the selected file.");
    }
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
    // Codes up to 32 are the opener's failures.
    const int code = m_shell.open(address);
    if (code > 32)
        return true;
    qCWarning(lcWizard).noquote() << "could not open" << address << "code" << code;
    m_prompts.tell(
        over, {openFailure(code), QMessageBox::Ok, QMessageBox::Warning, tr("Download Error")});
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
    endDeleting(m_files.bannerFile(), m_files.updateFile());
}

void Desktop::end(int status)
{
    m_process.end(status);
}

void Desktop::finishRun()
{
    qCInfo(lcWizard) << "update finished; the working files go";
    endDeleting(m_files.updateFile(), m_files.bannerFile());
}

void Desktop::endDeleting(const QString &first, const QString &second)
{
    platform::deleteFile(first);
    platform::deleteFile(second);
    m_process.end(0);
}
