#include "download/DownloadEngine.h"

#include "download/modGlobals.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>
#include <cerrno>
#include <cstring>

Q_LOGGING_CATEGORY(lcDownload, "kovara.download")

namespace download {

namespace {

const QString CR = QStringLiteral("\r");

// The leading whole number of a header value; -1 when it has none.
qint64 leadingNumber(const QString &value)
{
    const QString text = value.trimmed();
    qsizetype digits = 0;
    while (digits < text.size() && text.at(digits).isDigit())
        ++digits;
    if (digits == 0 || digits > 18)
        return -1;
    return text.left(digits).toLongLong();
}

// The first byte of "bytes FIRST-LAST/TOTAL"; -1 when the header says something else.
qint64 contentRangeStart(const QString &value)
{
    const QString text = value.trimmed();
    if (!text.startsWith(QStringLiteral("bytes "), Qt::CaseInsensitive))
        return -1;
    return leadingNumber(text.mid(6));
}

class Download
{
public:
    Download(DownloadView &view,
             platform::HttpTransfer &inet,
             bool &cancelSearch,
             const DownloadOptions &options)
        : m_view(view)
        , m_inet(inet)
        , CancelSearch(cancelSearch)
        , m_options(options)
    { }

    bool run(const QString &url,
             const QString &destination,
             const QString &user,
             const QString &password);

private:
    enum class Next { Body, EndCheck, Again };

    void pass();
    Next examineAnswer();
    Next askToRestart(bool wholeFileFollows);
    void refuse(const QString &text, int style, const QString &title, const QString &why);
    void writeBody();
    void fileFailure(const QFile &file);
    void refresh();
    bool complete() const;
    QString localPath() const { return QString(strDestination).replace(QLatin1Char('\\'), '/'); }

    DownloadView &m_view;
    platform::HttpTransfer &m_inet;
    bool &CancelSearch;
    DownloadOptions m_options;

    QString strURL;
    QString strDestination;
    QString UserName;
    QString Password;
    QString DestFileName;
    QString URLFileName;

    qint64 BytesSoFar = 0;
    qint64 FileLength = 0;
    bool LengthKnown = false;
    bool Resuming = false;
    qint64 StartTime = 0; // ms of the platform clock
    double BytesPerSecond = 0;
    double SecondsLeft = 0;
    QString HeaderText;
    QString StatusCode;
    // The version of the file that the first answer described, sent back on a resume so that a
    // file changed on the server is not spliced onto the old bytes.
    QString m_validator;
    qint64 m_requestedFrom = 0;
    bool m_endedCleanly = false;
    int m_lastPercent = -1;
};

bool Download::run(const QString &url,
                   const QString &destination,
                   const QString &user,
                   const QString &password)
{
    strURL = url;
    strDestination = destination;
    UserName = user;
    Password = password;

    CancelSearch = false;
    DestFileName = GetPathPart(strDestination, true, false);
    URLFileName = GetPathPart(strURL, true, true);
    m_view.setSourceText(QString());
    m_view.setTimeText(QString());
    m_view.setToText(QString());
    m_view.setRateText(QString());
    m_view.playAnimation(clipPath());
    m_view.showCentred();
    qCInfo(lcDownload).noquote() << "download" << strURL << "to" << strDestination;

    bool good = false;
    for (;;) {
        pass();
        // The end check.
        if (!CancelSearch && complete()) {
            m_view.setStatusText(QStringLiteral("Download completed!"));
            good = true;
            break;
        }
        if (!platform::fileExists(localPath())) {
            CancelSearch = true;
            break;
        }
        if (CancelSearch)
            break;
        const int answer = platform::MsgBox(
            QStringLiteral("The connection with the server was reset.") + CR + CR
                + QStringLiteral("Click \"Retry\" to resume downloading the file.") + CR
                + QStringLiteral("(Approximate time remaining: ") + FormatDuration(SecondsLeft)
                + QStringLiteral(")") + CR + CR
                + QStringLiteral("Click \"Cancel\" to cancel downloading the file."),
            platform::mb::RetryCancel | platform::mb::Exclamation,
            QStringLiteral("Download Incomplete"));
        if (answer != platform::mb::Retry) {
            CancelSearch = true;
            break;
        }
        Resuming = true;
    }

    if (good) {
        qCInfo(lcDownload).noquote() << "download complete:" << BytesSoFar << "bytes";
    } else {
        qCWarning(lcDownload).noquote()
            << "download failed or cancelled after" << BytesSoFar << "bytes:" << strURL;
        platform::deleteFile(localPath());
    }
    m_view.closeAnimation();
    m_inet.Cancel();
    m_view.closeWindow();
    return good;
}

bool Download::complete() const
{
    if (LengthKnown)
        return FileLength > 0 && BytesSoFar == FileLength;
    return m_endedCleanly && BytesSoFar > 0;
}

void Download::pass()
{
    m_endedCleanly = false;
    if (Resuming) {
        // The partial file may have been cut shorter meanwhile; never resume past its end.
        const qint64 onDisk = QFileInfo(localPath()).size();
        BytesSoFar = std::max<qint64>(0, std::min(BytesSoFar, onDisk) - m_options.resumeOverlap);
    }
    for (;;) {
        m_view.setStatusText(Resuming ? QStringLiteral("Resuming download...")
                                      : QStringLiteral("Getting file information..."));
        platform::clock().waitForEvents(0);

        m_inet.setCredentials(UserName, Password);
        QString headers = QStringLiteral("Range: bytes=") + QString::number(BytesSoFar)
            + QStringLiteral("-\r\n");
        if (Resuming && BytesSoFar > 0 && !m_validator.isEmpty())
            headers += QStringLiteral("If-Range: ") + m_validator + QStringLiteral("\r\n");
        m_requestedFrom = BytesSoFar;
        m_inet.Execute(strURL, QStringLiteral("GET"), headers);
        while (m_inet.StillExecuting()) {
            platform::clock().waitForEvents(m_options.pollMs);
            if (CancelSearch)
                return;
        }
        if (CancelSearch)
            return;
        const Next next = examineAnswer();
        if (next == Next::Again)
            continue;
        if (next == Next::Body)
            writeBody();
        return;
    }
}

Download::Next Download::examineAnswer()
{
    m_view.setStatusText(QStringLiteral("Saving:"));
    m_view.setSourceText(URLFileName + QStringLiteral(" from ") + m_inet.RemoteHost());
    m_view.setToText(strDestination);

    HeaderText = m_inet.headerText();
    StatusCode = HeaderText.mid(9, 3);
    const qint64 rangeStart = contentRangeStart(m_inet.GetHeader(QStringLiteral("Content-Range")));

    if (HeaderText.isEmpty() || StatusCode == QStringLiteral("\r\n")) {
        refuse(QStringLiteral("Cannot establish connection.") + CR + CR
                   + QStringLiteral("Check your Internet connection and try again."),
               platform::mb::OKOnly | platform::mb::Exclamation,
               QStringLiteral("Cannot Establish Connection"),
               m_inet.failureText());
        return Next::EndCheck;
    }
    if (StatusCode == QStringLiteral("200")
        || (StatusCode == QStringLiteral("206") && Resuming && rangeStart != m_requestedFrom)) {
        if (Resuming) {
            const Next next = askToRestart(StatusCode == QStringLiteral("200"));
            if (next != Next::Body)
                return next;
        }
    } else if (StatusCode == QStringLiteral("206")) {
        if (rangeStart > 0 && rangeStart != m_requestedFrom) {
            refuse(QStringLiteral("The server returned the following response:") + CR + CR
                       + HeaderText.left(HeaderText.indexOf(CR) + 1),
                   platform::mb::OKOnly | platform::mb::Critical,
                   QStringLiteral("Error Downloading File"),
                   QStringLiteral("a part that starts elsewhere than asked"));
            return Next::EndCheck;
        }
    } else if (StatusCode == QStringLiteral("204")) {
        refuse(QStringLiteral("Nothing to download!"),
               platform::mb::OKOnly | platform::mb::Information,
               QStringLiteral("No Content"),
               QStringLiteral("204"));
        return Next::EndCheck;
    } else if (StatusCode == QStringLiteral("401")) {
        refuse(QStringLiteral("Authorization failed!"),
               platform::mb::OKOnly | platform::mb::Critical,
               QStringLiteral("Unauthorized"),
               QStringLiteral("401"));
        return Next::EndCheck;
    } else if (StatusCode == QStringLiteral("404")) {
        refuse(QStringLiteral("The file, \"") + strURL + QStringLiteral("\" was not found!"),
               platform::mb::OKOnly | platform::mb::Critical,
               QStringLiteral("File Not Found"),
               QStringLiteral("404"));
        return Next::EndCheck;
    } else {
        const qsizetype cr = HeaderText.indexOf(CR);
        refuse(QStringLiteral("The server returned the following response:") + CR + CR
                   + (cr < 0 ? QStringLiteral("<nothing>") : HeaderText.left(cr + 1)),
               platform::mb::OKOnly | platform::mb::Critical,
               QStringLiteral("Error Downloading File"),
               HeaderText.left(std::max<qsizetype>(cr, 0)));
        return Next::EndCheck;
    }

    if (!Resuming) {
        StartTime = platform::clock().nowMs() - 1000;
        const qint64 length = leadingNumber(m_inet.GetHeader(QStringLiteral("Content-Length")));
        LengthKnown = length >= 0;
        FileLength = std::max<qint64>(length, 0);
        m_validator = m_inet.GetHeader(QStringLiteral("ETag"));
        if (m_validator.isEmpty() || m_validator.startsWith(QStringLiteral("W/")))
            m_validator = m_inet.GetHeader(QStringLiteral("Last-Modified"));
        if (LengthKnown && FileLength == 0) {
            refuse(QStringLiteral("Nothing to download!"),
                   platform::mb::OKOnly | platform::mb::Information,
                   QStringLiteral("No Content"),
                   QStringLiteral("an empty file"));
            return Next::EndCheck;
        }
    }

    if (LengthKnown && QDir::isAbsolutePath(localPath())) {
        const double free = GetFreeDiskSpace(GetPathPart(strDestination, false, false));
        if (free < static_cast<double>(FileLength)) {
            qCWarning(lcDownload).noquote()
                << "not enough space:" << free << "bytes free for" << FileLength;
            platform::MsgBox(QStringLiteral("There is not enough free space on disk for this file.")
                                 + CR + CR
                                 + QStringLiteral("Please free up some disk space and try again."),
                             platform::mb::OKOnly | platform::mb::Critical,
                             QStringLiteral("Insufficient Disk Space"));
            // A fresh download ends here. A stale file of an earlier run may lie at the
            // destination: offering to resume would splice onto it.
            if (!Resuming)
                CancelSearch = true;
            return Next::EndCheck;
        }
    }

    m_view.setProgress(0, LengthKnown ? FileLength : 0);
    platform::clock().waitForEvents(0);
    if (!Resuming)
        BytesSoFar = 0;
    return Next::Body;
}

Download::Next Download::askToRestart(bool wholeFileFollows)
{
    qCWarning(lcDownload).noquote() << "the server did not resume at" << m_requestedFrom;
    platform::deleteFile(localPath());
    const int answer
        = platform::MsgBox(QStringLiteral("The server is unable to resume this download.") + CR + CR
                               + QStringLiteral("Do you want to continue anyway?"),
                           platform::mb::YesNo | platform::mb::Exclamation,
                           QStringLiteral("Unable to Resume Download"));
    if (answer != platform::mb::Yes) {
        CancelSearch = true;
        return Next::EndCheck;
    }
    Resuming = false;
    if (wholeFileFollows)
        return Next::Body;
    // A part that starts elsewhere cannot begin the file: ask for all of it again.
    BytesSoFar = 0;
    m_validator.clear();
    return Next::Again;
}

void Download::refuse(const QString &text, int style, const QString &title, const QString &why)
{
    qCWarning(lcDownload).noquote() << "download refused:" << title << "-" << why;
    platform::MsgBox(text, style, title);
    CancelSearch = true;
}

void Download::writeBody()
{
    const QString path = localPath();
    const QString folder = GetPathPart(path, false, false);
    if (folder != path && !folder.isEmpty() && !QFileInfo::exists(folder))
        QDir().mkdir(folder);

    QFile file(path);
    const bool opened = Resuming ? file.open(QIODevice::ReadWrite)
                                 : file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (!opened || (Resuming && !file.seek(BytesSoFar))) {
        fileFailure(file);
        return;
    }

    m_lastPercent = -1;
    int sinceEvents = 0;
    for (;;) {
        const QByteArray chunk = m_inet.GetChunk(m_options.chunkSize);
        errno = 0;
        if (!chunk.isEmpty() && file.write(chunk) != chunk.size()) {
            fileFailure(file);
            return;
        }
        if (CancelSearch || chunk.isEmpty())
            break;
        BytesSoFar += chunk.size();
        refresh();
        if (++sinceEvents >= m_options.chunksPerEventRound) {
            sinceEvents = 0;
            platform::clock().waitForEvents(0);
        }
    }
    errno = 0;
    if (!file.flush()) {
        fileFailure(file);
        return;
    }
    file.close();
    m_endedCleanly = !CancelSearch && m_inet.failure() == platform::HttpTransfer::NoFailure;
    if (!m_endedCleanly && !CancelSearch) {
        qCWarning(lcDownload).noquote()
            << "the body broke off at" << BytesSoFar << "bytes:" << m_inet.failureText();
    }
    if (!LengthKnown && m_endedCleanly && BytesSoFar == 0) {
        refuse(QStringLiteral("Nothing to download!"),
               platform::mb::OKOnly | platform::mb::Information,
               QStringLiteral("No Content"),
               QStringLiteral("an empty body"));
    }
}

void Download::fileFailure(const QFile &file)
{
    // The system's error number says most ("No space left on device"); Qt's own text is the
    // fall-back when the system gave none.
    const int systemError = errno;
    const int number = systemError != 0 ? systemError : static_cast<int>(file.error());
    const QString description = systemError != 0
        ? QString::fromLocal8Bit(std::strerror(systemError))
        : file.errorString();
    qCWarning(lcDownload).noquote() << "cannot write" << strDestination << "-" << description;
    platform::MsgBox(QStringLiteral("Cannot write file to disk.") + CR + CR
                         + QStringLiteral("Error ") + QString::number(number) + QStringLiteral(": ")
                         + description,
                     platform::mb::OKOnly | platform::mb::Critical,
                     QStringLiteral("Error Downloading File"));
    CancelSearch = true;
}

void Download::refresh()
{
    // The start lies a second back, so the elapsed time is never 0.
    const double elapsed = (platform::clock().nowMs() - StartTime) / 1000.0;
    BytesPerSecond = elapsed > 0 ? BytesSoFar / elapsed : 0;
    SecondsLeft
        = (LengthKnown && BytesPerSecond > 0) ? (FileLength - BytesSoFar) / BytesPerSecond : 0;
    const QString copied = FormatFileSize(static_cast<double>(BytesSoFar));
    if (LengthKnown) {
        m_view.setTimeText(
            FormatDuration(SecondsLeft) + QStringLiteral(" (") + copied + QStringLiteral(" of ")
            + FormatFileSize(static_cast<double>(FileLength)) + QStringLiteral(" copied)"));
    } else {
        m_view.setTimeText(copied + QStringLiteral(" copied"));
    }
    m_view.setRateText(FormatFileSize(BytesPerSecond, QStringLiteral("###.0"))
                       + QStringLiteral("/Sec"));
    m_view.setProgress(BytesSoFar, LengthKnown ? FileLength : 0);
    if (LengthKnown) {
        const double ratio = static_cast<double>(BytesSoFar) / static_cast<double>(FileLength);
        const int percent = static_cast<int>(std::round(ratio * 100));
        if (percent != m_lastPercent) {
            m_lastPercent = percent;
            m_view.setCaptionText(formatWithMask(ratio, QStringLiteral("##0%"))
                                  + QStringLiteral(" of ") + DestFileName
                                  + QStringLiteral(" Completed"));
        }
    } else {
        m_view.setCaptionText(copied + QStringLiteral(" of ") + DestFileName
                              + QStringLiteral(" Completed"));
    }
}

} // namespace

bool DownloadFile(DownloadView &view,
                  platform::HttpTransfer &Inet1,
                  bool &CancelSearch,
                  const QString &strURL,
                  const QString &strDestination,
                  const QString &UserName,
                  const QString &Password,
                  const DownloadOptions &options)
{
    Download download(view, Inet1, CancelSearch, options);
    return download.run(strURL, strDestination, UserName, Password);
}

QString clipPath()
{
    return platform::programFolder() + QStringLiteral("/downloading.AVI");
}

} // namespace download
