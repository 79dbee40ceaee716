#include "app/ScaleErrorWindow.h"

#include "app/QuitQuestion.h"
#include "platform/Look.h"

ScaleErrorWindow::ScaleErrorWindow(const QString &name)
    : Form(name)
{ }

void ScaleErrorWindow::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Error Communicating with the Scale"));
    window->setFixedSize(440, 190);

    auto *failed = new QLabel(
        QStringLiteral("A communication error with your scale was encountered. Please make sure "
                       "that your Kovara scale is connected to your computer and that it is "
                       "turned on."),
        window);
    failed->setGeometry(20, 16, 400, 90);
    failed->setWordWrap(true);
    lblFailed.set(failed);

    auto *retry = new QPushButton(QStringLiteral("&Retry"), window);
    retry->setGeometry(100, 130, 100, 30);
    retry->setDefault(true);
    cmdRetry.set(retry);
    connect(retry, &QPushButton::clicked, this, [this] { cmdRetry_Click(); });

    auto *exit = new QPushButton(QStringLiteral("E&xit"), window);
    exit->setGeometry(240, 130, 100, 30);
    cmdExit.set(exit);
    connect(exit, &QPushButton::clicked, this, &ScaleErrorWindow::cmdExit_Click);
}

void ScaleErrorWindow::Form_Load()
{
    look::paint({window(), lblFailed.get(), cmdRetry.get(), cmdExit.get()});
    AskExit = true;
    centerOnScreen();
}

void ScaleErrorWindow::cmdRetry_Click()
{
    setMousePointer(platform::vbHourglass);
    Q_EMIT retryRequested();
}

void ScaleErrorWindow::cmdExit_Click()
{
    AskExit = true;
    wizard::confirmQuit(window());
}

void ScaleErrorWindow::Form_Unload(bool &Cancel)
{
    if (AskExit) {
        Cancel = true;
        wizard::confirmQuit(window());
    }
}
