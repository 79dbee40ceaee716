#pragma once

// The download window: the clip, the status, source and destination lines, the progress bar, the
// time left, the rate and Cancel. It carries DownloadFile, which runs the download while the
// window shows it, and the flags CancelSearch and AskAgain that callers and its handlers share.

#include "download/DownloadEngine.h"
#include "platform/Animation.h"
#include "platform/Form.h"
#include "platform/HttpTransfer.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <memory>

class frmDownload final : public platform::Form, private download::DownloadView
{
    Q_OBJECT
public:
    frmDownload();
    ~frmDownload() override;

    // True once the download was cancelled by the user or refused; read by the caller afterwards.
    bool CancelSearch = false;
    // True while closing the window must ask the user first.
    bool AskAgain = false;

    platform::Control<platform::Animation> Animation1 {this, "Animation1"};
    platform::Control<QLabel> StatusLabel {this, "StatusLabel"};
    platform::Control<QLabel> SourceLabel {this, "SourceLabel"};
    platform::Control<QProgressBar> ProgressBar {this, "ProgressBar"};
    platform::Control<QLabel> EstimatedTimeLeft {this, "EstimatedTimeLeft"};
    platform::Control<QLabel> TimeLabel {this, "TimeLabel"};
    platform::Control<QLabel> DownloadTo {this, "DownloadTo"};
    platform::Control<QLabel> ToLabel {this, "ToLabel"};
    platform::Control<QLabel> TransferRate {this, "TransferRate"};
    platform::Control<QLabel> RateLabel {this, "RateLabel"};
    platform::Control<QCheckBox> chkClose {this, "chkClose"};
    platform::Control<QPushButton> CancelButton {this, "CancelButton"};

    // Fetches strURL into strDestination, showing the progress here. True when the whole file
    // arrived; the caller counts the download as good only when CancelSearch is also False.
    bool DownloadFile(const QString &strURL,
                      const QString &strDestination,
                      const QString &UserName,
                      const QString &Password);

    void CancelButton_Click();

    // The window's transfer control, made on first use.
    platform::HttpTransfer &Inet1();

Q_SIGNALS:
    // The user closed the window and confirmed the cancel; the download ends after this.
    void closedByUser();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;
    void escapePressed() override { CancelButton_Click(); }

private:
    void setStatusText(const QString &text) override;
    void setSourceText(const QString &text) override;
    void setToText(const QString &text) override;
    void setTimeText(const QString &text) override;
    void setRateText(const QString &text) override;
    void setProgress(qint64 value, qint64 maximum) override;
    void setCaptionText(const QString &text) override;
    void playAnimation(const QString &clipPath) override;
    void closeAnimation() override;
    void showCentred() override;
    void closeWindow() override;

    std::unique_ptr<platform::HttpTransfer> m_inet;
    bool m_running = false;
};

// The text shortened with "..." in its middle until it fits the width of control; texts of 11
// characters or fewer are never shortened.
QString ShortenPath(const QWidget *control, const QString &text);

namespace Forms {
inline ::frmDownload &frmDownload()
{
    return platform::FormRegistry::get<::frmDownload>();
}
} // namespace Forms
