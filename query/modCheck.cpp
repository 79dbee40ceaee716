#include "query/modCheck.h"

#include "core/RecordTable.h"
#include "platform/BuildConfig.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/HttpRequest.h"
#include "platform/HttpTransfer.h"
#include "platform/Services.h"
#include "platform/Shell.h"
#include "query/modQuery.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcCheck, "kovara.check")

namespace modCheck {

namespace {

QString downloadServer(const char *path)
{
    return QString::fromUtf8(build_config::kMakerDownloadUrl) + QLatin1String(path);
}

// Runs a record query; a request that got no answer at all is shown and gives the empty table.
RecordTable askMaker(const char *statement)
{
    try {
        return modQuery::RetrieveQuery(QString::fromLatin1(statement), modQuery::QueryURL());
    } catch (const platform::HttpError &error) {
        qCWarning(lcCheck).noquote()
            << "no answer from the maker's server:" << error.number() << error.description();
        platform::MsgBox(QStringLiteral("Error: ") + error.description(), platform::mb::OKOnly);
        return RecordTable();
    }
}

} // namespace

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

QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QString LastRecordText(const RecordTable &table)
{
    QString text;
    for (int record = 0; record < table.records(); ++record) {
        text.clear();
        for (int field = 0; field < table.fields(); ++field)
            text += table.cell(record, field);
    }
    return text;
}

QString CheckProgramVersion()
{
    const RecordTable table = askMaker(kVersionStatement);
    if (table.isEmpty())
        return QString();
    const QString latest = QStringLiteral("Version ") + TrimBlanks(LastRecordText(table));
    qCInfo(lcCheck).noquote() << "latest program version:" << latest;
    return latest;
}

QString CheckSoftwareUpdate()
{
    const RecordTable table = askMaker(kUpdateStatement);
    if (table.isEmpty())
        return QString();
    const QString answer = TrimBlanks(LastRecordText(table));
    qCInfo(lcCheck).noquote() << "software update on offer:" << answer;
    return answer;
}

bool RetrieveFile(platform::HttpTransfer &Inet1, const QString &strURL, const QString &strDestDir)
{
    const QString fileName = strURL.section(QLatin1Char('/'), -1);
    if (fileName.isEmpty()) {
        qCWarning(lcCheck).noquote() << "no file name in" << strURL;
        return false;
    }
    bool transferred = false;
    const QByteArray bytes = Inet1.OpenURL(strURL, &transferred);
    const QString status = Inet1.headerText().mid(9, 3);
    if (!transferred || !status.startsWith(QLatin1Char('2'))) {
        // An error page is not the file: nothing is written.
        qCWarning(lcCheck).noquote()
            << "could not fetch" << strURL << "status"
            << (status.isEmpty() ? QStringLiteral("none") : status) << Inet1.failureText();
        return false;
    }

    const QString path = strDestDir + fileName;
    if (platform::fileExists(path) && !QFile::remove(path)) {
        qCWarning(lcCheck).noquote() << "cannot replace" << path;
        return false;
    }
    // Written beside the destination and moved into place whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qCWarning(lcCheck).noquote() << "cannot write" << path << file.errorString();
        file.cancelWriting();
        return false;
    }
    platform::clock().waitForEvents(0);
    if (!file.commit()) {
        qCWarning(lcCheck).noquote() << "cannot write" << path << file.errorString();
        return false;
    }
    platform::clock().waitForEvents(0);
    qCInfo(lcCheck).noquote() << "fetched" << strURL << "into" << path << bytes.size() << "bytes";
    return true;
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

bool ShellOpenOrTell(const QString &address)
{
    const int code = platform::shell().open(address);
    if (code > 32)
        return true;
    qCWarning(lcCheck).noquote() << "could not open" << address << "code" << code;
    platform::MsgBox(ShellOpenMessage(code),
                     platform::mb::OKOnly | platform::mb::Exclamation,
                     QString::fromLatin1(kShellErrorTitle));
    return false;
}

} // namespace modCheck
