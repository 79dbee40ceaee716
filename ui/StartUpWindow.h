#pragma once

// The start-up screen, "Kovara PC Program": the program's title and version under the busy cursor
// while the start-up runs on the window's one-second tick. The second tick asks for the internet
// check; the first tick after its answer ends the start-up. A tick that comes while the check
// runs is dropped, and a close asked for meanwhile waits for its end.

#include <QTimer>
#include <QWidget>

#include <chrono>
#include <memory>

namespace Ui {
class StartUpWindow;
}

class StartUpWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit StartUpWindow(const QString &version,
                           std::chrono::milliseconds tick = std::chrono::seconds(1),
                           QWidget *parent = nullptr);
    ~StartUpWindow() override;

    // The internet check's answer. Unreachable: the start-up stops here.
    void checkEnded(bool reachable);
    // Ticking again after a quit question the user cancelled.
    void resume() { m_timer.start(); }

Q_SIGNALS:
    void internetCheckDue();
    void startUpDone();
    // The close box; the timer stands still until resume().
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void tick();

    std::unique_ptr<Ui::StartUpWindow> m_ui;
    QTimer m_timer;
    int m_ticks = 0;
    bool m_checking = false;
    bool m_closeWaiting = false;
};
