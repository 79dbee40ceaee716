#pragma once

// "Update Scale": shows the scale's serial number and takes the address of the update file.
// Continue asks for the file at the address typed; the window stays disabled and busy while it
// downloads.

#include <QWidget>

#include <memory>

namespace Ui {
class UpdateFileWindow;
}

class UpdateFileWindow final : public QWidget
{
    Q_OBJECT
public:
    // versionLine: the program's name and version as the windows show it.
    UpdateFileWindow(const QString &versionLine,
                     const QString &serialNumber,
                     QWidget *parent = nullptr);
    ~UpdateFileWindow() override;

    // While the download runs; when it has failed the address stays for another try.
    void setDownloading(bool downloading);

Q_SIGNALS:
    // The address as typed, blanks at either end removed; it may be empty.
    void continueRequested(const QString &link);
    void exitRequested();
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::UpdateFileWindow> m_ui;
};
