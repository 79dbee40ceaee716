#pragma once

// The resumable download of one file over HTTP, shown in the download window.
//
// The engine drives the window through DownloadView (frmDownload implements it; tests may record
// it) and the transfer through platform::HttpTransfer. It waits only through
// platform::clock().waitForEvents(), so the window's Cancel and close box run in the middle of a
// download; their effect reaches the engine through the cancel flag it was given.

#include "platform/HttpTransfer.h"

#include <QString>

namespace download {

class DownloadView
{
public:
    virtual ~DownloadView() = default;
    virtual void setStatusText(const QString &text) = 0;
    virtual void setSourceText(const QString &text) = 0;
    virtual void setToText(const QString &text) = 0;
    virtual void setTimeText(const QString &text) = 0;
    virtual void setRateText(const QString &text) = 0;
    // A maximum of 0 means the total is not known: the bar shows activity only.
    virtual void setProgress(qint64 value, qint64 maximum) = 0;
    virtual void setCaptionText(const QString &text) = 0;
    virtual void playAnimation(const QString &clipPath) = 0;
    virtual void closeAnimation() = 0;
    // Shows the window (unless downloads run unseen) and centres it.
    virtual void showCentred() = 0;
    // Closes the window without asking the user.
    virtual void closeWindow() = 0;
};

struct DownloadOptions
{
    // Most bytes read and written per step; the window is refreshed after each. A step takes what
    // has arrived, so on a slow line steps are small and the window follows every few packets;
    // on a fast one larger steps keep the refresh from costing more than the transfer.
    int chunkSize = 64 * 1024;
    // Bytes fetched again before the break when a download resumes.
    qint64 resumeOverlap = 4096;
    // Steps between two rounds of user-interface events while the body streams in.
    int chunksPerEventRound = 32;
    // Longest sleep of one poll while the request waits for its answer.
    int pollMs = 100;
};

// Fetches strURL into strDestination. True only when the whole file arrived; every refusal,
// failure and cancel gives False with CancelSearch True (a disk-space refusal leaves the flag to
// the end check). A failed download leaves no file at strDestination.
bool DownloadFile(DownloadView &view,
                  platform::HttpTransfer &Inet1,
                  bool &CancelSearch,
                  const QString &strURL,
                  const QString &strDestination,
                  const QString &UserName,
                  const QString &Password,
                  const DownloadOptions &options = DownloadOptions());

// The clip the window plays while a download runs.
QString clipPath();

} // namespace download
