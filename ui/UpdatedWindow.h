#pragma once

// The last screen of an update, "Updating Your Scale": a please-wait line under the busy cursor
// while the scale restarts. Each activation starts the window's one-second tick afresh; on the
// eleventh tick it becomes "Successful Scale Update", with its text and Exit. Exit and the close
// box both ask for the end of the program, which comes without a question.

#include <QTimer>
#include <QWidget>

#include <chrono>
#include <memory>

namespace Ui {
class UpdatedWindow;
}

class UpdatedWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit UpdatedWindow(std::chrono::milliseconds tick = std::chrono::seconds(1),
                           QWidget *parent = nullptr);
    ~UpdatedWindow() override;

Q_SIGNALS:
    void exitRequested();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void tick();

    std::unique_ptr<Ui::UpdatedWindow> m_ui;
    QTimer m_timer;
    int m_ticks = 0;
};
