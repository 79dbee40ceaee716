#pragma once

// "Successful Download": the update file is in the working folder. Update asks for the scale
// update; the close box asks to quit, which the flow confirms.

#include <QWidget>

#include <memory>

namespace Ui {
class DownloadedWindow;
}

class DownloadedWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit DownloadedWindow(QWidget *parent = nullptr);
    ~DownloadedWindow() override;

Q_SIGNALS:
    void updateRequested();
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::DownloadedWindow> m_ui;
};
