#pragma once

// The stop screen shown when the internet cannot be reached at start-up. Okay and the close box
// both ask to end the program; the window itself only reports.

#include <QWidget>

#include <memory>

namespace Ui {
class NotConnectedWindow;
}

class NotConnectedWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit NotConnectedWindow(QWidget *parent = nullptr);
    ~NotConnectedWindow() override;

Q_SIGNALS:
    void exitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::NotConnectedWindow> m_ui;
};
