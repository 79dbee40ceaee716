#pragma once

// "Program Version": the maker's server has a program version other than this one. Download PC
// Program asks for the new program's installer, with the window minimised and busy meanwhile;
// Exit and the close box ask to leave it, which the flow confirms.

#include <QWidget>

#include <memory>

namespace Ui {
class VersionWindow;
}

class VersionWindow final : public QWidget
{
    Q_OBJECT
public:
    // running: this program's version ("Version 5.0"); latest: the server's; line: the program's
    // name and version as the windows show it.
    VersionWindow(const QString &running,
                  const QString &latest,
                  const QString &line,
                  QWidget *parent = nullptr);
    ~VersionWindow() override;

Q_SIGNALS:
    void downloadRequested();
    void exitRequested();
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::VersionWindow> m_ui;
};
