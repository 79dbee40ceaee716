#include "ui/QuitDialog.h"
#include "ui_QuitDialog.h"

#include "ui/Look.h"

#include <QScreen>

QuitDialog::QuitDialog(Subject subject, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::QuitDialog>())
{
    m_ui->setupUi(this);
    // Always over every window of the program, as the question is about all of it.
    setWindowModality(Qt::ApplicationModal);
    switch (subject) {
    case Subject::ScaleUpdate:
        break;
    case Subject::ScaleBeingWritten:
        m_ui->lblQuit->setText(
            tr("Your scale is being updated. If you quit now, the update stays "
               "unfinished and must be run again. Are you sure you want to quit?"));
        break;
    case Subject::NewVersionDownload:
        setWindowTitle(tr("Exit Download"));
        m_ui->lblQuit->setText(tr(
            "Are you sure you do not want to download the latest version of Kovara PC Program?"));
        break;
    }
    look::paint({this, m_ui->lblQuit, m_ui->cmdYes, m_ui->cmdCancel});
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QuitDialog::~QuitDialog() = default;
