#pragma once

// The contents and the quit protocol that the two "Error Communicating with the Scale" windows
// share: the message, Retry and Exit; Exit and a close by the user ask the quit question. Retry is
// reported; where it leads is the flow's (UpdateFlow).

#include "platform/Form.h"

#include <QLabel>
#include <QPushButton>

class ScaleErrorWindow : public platform::Form
{
    Q_OBJECT
public:
    bool AskExit = false;

    platform::Control<QLabel> lblFailed {this, "lblFailed"};
    platform::Control<QPushButton> cmdRetry {this, "cmdRetry"};
    platform::Control<QPushButton> cmdExit {this, "cmdExit"};

    void cmdRetry_Click();
    void cmdExit_Click();

Q_SIGNALS:
    void retryRequested();

protected:
    explicit ScaleErrorWindow(const QString &name);
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;
};
