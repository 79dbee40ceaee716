#pragma once

// The quit question, asked over the window whose close box or Exit the user chose. It asks about
// the scale update, about the update while the scale is being written or, while the new-version
// window is up, about the new version's download. Yes accepts the dialog; Cancel (the default),
// Esc and the close box reject it.

#include <QDialog>

#include <memory>

namespace Ui {
class QuitDialog;
}

class QuitDialog final : public QDialog
{
    Q_OBJECT
public:
    enum class Subject { ScaleUpdate, ScaleBeingWritten, NewVersionDownload };

    explicit QuitDialog(Subject subject, QWidget *parent = nullptr);
    ~QuitDialog() override;

private:
    std::unique_ptr<Ui::QuitDialog> m_ui;
};
