#pragma once

// The log a support person asks for: every line the program logs, with the exchange transcript
// of the scale (kovara.scale.link at debug level), appended to a file in the user's state folder
// (WorkingFolder::supportLog). When the program starts and the file has passed 1 MiB it is
// rotated: the two files before it are kept as support.log.1 and support.log.2, so the last few
// runs are always there. Each line is written through at once, so a run that ends abruptly
// leaves its last steps.
//
// Lines still go where Qt writes them (the terminal) when echo is on, except the transcript's,
// which go there only when QT_LOGGING_RULES asks for them. Qt has one message handler for the
// process: one SupportLog at a time, made by main(). The transcript's category stays on after it.

#include <QString>

namespace platform {

class SupportLog
{
public:
    SupportLog(const QString &path, bool echo);
    ~SupportLog();
    SupportLog(const SupportLog &) = delete;
    SupportLog &operator=(const SupportLog &) = delete;

    // The file could be opened; the program goes on without it otherwise.
    bool isOpen() const;

    static constexpr qint64 kRotateBytes = qint64(1024) * 1024;
};

} // namespace platform
