#pragma once

// "Connect Scale to Computer": asks the user to connect the scale and turn it on; Continue asks
// for the search of the serial ports, which the window shows in its caption and with the busy
// cursor until it has ended.

#include <QWidget>

#include <memory>

namespace Ui {
class PortSearchWindow;
}

class PortSearchWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit PortSearchWindow(QWidget *parent = nullptr);
    ~PortSearchWindow() override;

    void showSearching();

Q_SIGNALS:
    void searchRequested();
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::PortSearchWindow> m_ui;
    bool m_searching = false;
};
