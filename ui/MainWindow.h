#pragma once

// The main window: the version line, the update banner and the buttons that start the scale
// update, open the manual, show help and leave. It shows what it is given and reports what the
// user chose; while the scale is read it is busy and a second Update Scale starts nothing.

#include <QTimer>
#include <QWidget>

#include <chrono>

class QLabel;
class QPixmap;

class MainWindow final : public QWidget
{
    Q_OBJECT
public:
    // versionLine: the program's name and version as the windows show it; blink: how long the
    // banner is shown and hidden in turn.
    MainWindow(const QString &versionLine,
               std::chrono::milliseconds blink,
               QWidget *parent = nullptr);

    // An update for the scale is on offer: the banner blinks.
    void setBannerBlinking(bool blinking);
    // The banner's picture, scaled down to fit when it is larger.
    void setBanner(const QPixmap &picture);
    // Update Scale was pressed: the banner stops and the window waits for the scale.
    void showReadingScale();

Q_SIGNALS:
    void updateRequested();
    // The manual's address goes to the browser while the window shows the busy cursor.
    void manualRequested();
    // The window minimises itself after asking.
    void helpRequested();
    void exitRequested();
    // The close box; the banner has stopped by then.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *m_banner;
    QTimer *m_blink;
    quint16 m_blinkTicks = 0;
    bool m_readingScale = false;
};
