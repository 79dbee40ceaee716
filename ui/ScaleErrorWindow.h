#pragma once

// "Error Communicating with the Scale": the scale stopped answering while it was updated
// (LostInUpdate), or the port search or the serial-number read found no scale (Missing). Retry,
// Exit and the close box are reported; where Retry leads and the quit question are the flow's.

#include <QWidget>

#include <memory>

namespace Ui {
class ScaleErrorWindow;
}

class ScaleErrorWindow final : public QWidget
{
    Q_OBJECT
public:
    enum class Kind { LostInUpdate, Missing };

    explicit ScaleErrorWindow(Kind kind, QWidget *parent = nullptr);
    ~ScaleErrorWindow() override;

Q_SIGNALS:
    void retryRequested();
    void exitRequested();
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::ScaleErrorWindow> m_ui;
};
