#pragma once

// The download's progress window: the clip, the status, source and destination lines, the
// progress bar, the time left, the rate and Cancel. It shows what it is given; Cancel, Esc and
// the close box only ask for the cancel, which the owner of the download confirms.

#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

class ClipPlayer;

class DownloadDialog final : public QWidget
{
    Q_OBJECT
public:
    // clipPath: the clip played while the download runs.
    explicit DownloadDialog(const QString &clipPath, QWidget *parent = nullptr);

    void setStatus(const QString &text);
    // The file's name and host, and where it goes; both shortened to fit their lines.
    void setSource(const QString &text);
    void setDestination(const QString &path);
    // total is -1 when not known: the bar then shows nothing and the caption the bytes copied.
    void showProgress(qint64 received, qint64 total, double bytesPerSecond, double secondsLeft);
    // The clip stops while a question about the download is open, and plays on after a No.
    void pauseClip();
    void playClip();
    void closeClip();

Q_SIGNALS:
    // The Cancel button or Esc.
    void cancelRequested();
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ClipPlayer *m_clip;
    QLabel *m_status;
    QLabel *m_source;
    QProgressBar *m_bar;
    QLabel *m_time;
    QLabel *m_to;
    QLabel *m_rate;
    QCheckBox *m_closeWhenDone;
    QPushButton *m_cancel;
    QString m_fileName;
    int m_lastPercent = -1;
};

// The text shortened with "..." in its middle until it fits the width of control; texts of 11
// characters or fewer are never shortened.
QString shortenedToFit(const QWidget *control, const QString &text);
