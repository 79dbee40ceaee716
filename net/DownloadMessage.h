#pragma once

// What a download that ended without the file tells the user: the title and the text of its
// message, in the program's words, and how grave it is. The wizard shows it in a box; the command
// line prints it. Lines are separated by CR, as the boxes show them.

#include "net/Downloader.h"

#include <QString>

#include <optional>

namespace net {

struct DownloadMessage
{
    enum class Level { Information, Warning, Critical };
    Level level = Level::Critical;
    QString title;
    QString text;
};

// The message of a refusal or failure that ends the attempt; none for a complete or cancelled
// download, a break or a resume the server refused, which each ask their own question.
std::optional<DownloadMessage> refusalMessage(const DownloadResult &result, const QString &url);

} // namespace net
