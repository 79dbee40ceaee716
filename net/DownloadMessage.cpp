#include "net/DownloadMessage.h"

#include <QCoreApplication>

namespace net {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("net::DownloadMessage", text);
}

const QString CR = QStringLiteral("\r");

} // namespace

std::optional<DownloadMessage> refusalMessage(const DownloadResult &result, const QString &url)
{
    using Level = DownloadMessage::Level;
    using Outcome = DownloadResult::Outcome;
    switch (result.outcome) {
    case Outcome::NoConnection:
        return DownloadMessage {Level::Warning,
                                tr("Cannot Establish Connection"),
                                tr("Cannot establish connection.") + CR + CR
                                    + tr("Check your Internet connection and try again.")};
    case Outcome::NoContent:
        return DownloadMessage {Level::Information, tr("No Content"), tr("Nothing to download!")};
    case Outcome::Unauthorized:
        return DownloadMessage {Level::Critical, tr("Unauthorized"), tr("Authorization failed!")};
    case Outcome::NotFound:
        return DownloadMessage {
            Level::Critical, tr("File Not Found"), tr("The file, \"%1\" was not found!").arg(url)};
    case Outcome::ServerAnswer:
        return DownloadMessage {Level::Critical,
                                tr("Error Downloading File"),
                                tr("The server returned the following response:") + CR + CR
                                    + result.statusLine + CR};
    case Outcome::NoSpace:
        return DownloadMessage {Level::Critical,
                                tr("Insufficient Disk Space"),
                                tr("There is not enough free space on disk for this file.") + CR
                                    + CR + tr("Please free up some disk space and try again.")};
    case Outcome::WriteFailed:
        return DownloadMessage {
            Level::Critical,
            tr("Error Downloading File"),
            tr("Cannot write file to disk.") + CR + CR
                + tr("Error %1: %2").arg(result.errorNumber).arg(result.errorText)};
    case Outcome::Changed:
        return DownloadMessage {Level::Critical,
                                tr("Error Downloading File"),
                                tr("The file changed on the server while it was being downloaded.")
                                    + CR + CR + tr("Please try again later.")};
    case Outcome::Untrusted:
        return DownloadMessage {
            Level::Critical,
            tr("Error Downloading File"),
            tr("The server's certificate is not trusted, so nothing was downloaded from it.") + CR
                + CR + result.errorText};
    case Outcome::Complete:
    case Outcome::Broken:
    case Outcome::ResumeRefused:
    case Outcome::Cancelled:
        break;
    }
    return std::nullopt;
}

} // namespace net
