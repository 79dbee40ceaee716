#pragma once

// How one attempt of a download ended (net/Downloader.h).

#include <QString>

namespace net {

struct DownloadResult
{
    enum class Outcome {
        Complete,
        // The body broke off or stopped coming; the part stays on disk when canResume.
        Broken,
        // Asked to resume, the server sent the whole file or a part that starts elsewhere or is of
        // another file; the part on disk is deleted, restart() asks for the whole file.
        ResumeRefused,
        // The file changed on the server again after a restart; no file is left.
        Changed,
        // The server's certificate is not trusted; errorText says why. Nothing was asked of it.
        Untrusted,
        NoConnection, // no answer at all within the time-out
        NoContent,    // 204, an empty file or an empty body
        Unauthorized, // 401
        NotFound,     // 404
        ServerAnswer, // any other answer that is not the file; statusLine says which
        NoSpace,      // the disk cannot hold the file; the part stays on disk when canResume
        WriteFailed,  // the file could not be written; errorNumber and errorText say why
        Cancelled,
    };

    Outcome outcome = Outcome::Complete;
    // The part on disk may be continued with resume().
    bool canResume = false;
    // The server's status line ("HTTP/1.1 503 Service Unavailable"); empty when none came.
    QString statusLine;
    int errorNumber = 0;
    QString errorText;
    // The answer's HTTP status (0 when none came), and the address that gave it, after redirects.
    int httpStatus = 0;
    QString address;

    // The server says there is no such file (404, 410): for a signature, the file has none.
    bool notThere() const { return httpStatus == 404 || httpStatus == 410; }
};

// The outcome in the support log's words: "broken off", "not found", ...
const char *outcomeName(DownloadResult::Outcome outcome);

} // namespace net
