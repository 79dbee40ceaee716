#include "net/DownloadResult.h"

namespace net {

const char *outcomeName(DownloadResult::Outcome outcome)
{
    using O = DownloadResult::Outcome;
    switch (outcome) {
    case O::Complete:
        return "complete";
    case O::Broken:
        return "broken off";
    case O::ResumeRefused:
        return "resume refused";
    case O::Changed:
        return "file changed on the server";
    case O::Untrusted:
        return "certificate not trusted";
    case O::NoConnection:
        return "no connection";
    case O::NoContent:
        return "no content";
    case O::Unauthorized:
        return "unauthorized";
    case O::NotFound:
        return "not found";
    case O::ServerAnswer:
        return "refused by the server";
    case O::NoSpace:
        return "not enough disk space";
    case O::WriteFailed:
        return "cannot write";
    case O::Cancelled:
        return "cancelled";
    }
    return "?";
}

} // namespace net
