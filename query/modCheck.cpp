#include "query/modCheck.h"

#include "platform/BuildConfig.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCheck, "kovara.check")

namespace modCheck {

namespace {

QString downloadServer(const char *path)
{
    return QString::fromUtf8(build_config::kMakerDownloadUrl) + QLatin1String(path);
}

} // namespace

QString QueryURL()
{
    return QString::fromUtf8(build_config::kMakerWebUrl) + QLatin1String(kQueryPath);
}

QString InstallerURL()
{
    return downloadServer("/KovaraDownload/KovaraNorvessia_PCProgram.exe");
}

QString BannerURL()
{
    return downloadServer("/KovaraDownload/norvessiaupdatebanner.jpg");
}

QString ManualURL()
{
    return downloadServer("/Manuals/KovaraNorvessia_Manual.pdf");
}

QString ProductPageURL()
{
    return QString::fromUtf8(build_config::kMakerWebUrl)
        + QLatin1String("/kovarapc/norvessia/kovaranorvessia.htm");
}

QString ShellOpenMessage(int code)
{
    switch (code) {
    case 0:
    case 8:
        return QStringLiteral("Out of memory");
    case 2:
        return QStringLiteral("File not found");
    case 3:
        return QStringLiteral("Path not found");
    case 5:
        return QStringLiteral("Path/file access error");
    case 11:
        return QStringLiteral("The executable file is invalid or corrupt");
    case 26:
        return QStringLiteral("A sharing violation occurred.");
    case 27:
        return QStringLiteral("This file type does not have a valid file association.");
    case 28:
        return QStringLiteral(
            "The file could not be opened due to time out. Please try again in a moment.");
    case 29:
        return QStringLiteral("The file could not be opened because the DDE transaction failed. "
                              "Please try again in a moment.");
    case 30:
        return QStringLiteral("The file could not be opened because the target application is "
                              "busy. Please try again in a moment.");
    case 31:
        return QStringLiteral("No application is associated with this file type.");
    case 32:
        return QStringLiteral("The specified dynamic-link library was not found.");
    default:
        return QStringLiteral(
            "An error occurred occurred whilst trying to open or print the selected file.");
    }
}

} // namespace modCheck
