#pragma once

// Message boxes and input boxes. The program asks through MsgBox/InputBox; the real boxes are Qt's,
// and tests install a scripted double (tests/support/ScriptedDialogs.h) that answers from a queue
// and records every box.

#include <QString>

class QMessageBox;

namespace platform {

// Button sets, icons and answers, with the values of the program's design.
namespace mb {
enum Style : int {
    OKOnly = 0,
    OKCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
};
enum Result : int { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
inline constexpr int kButtonsMask = 0x0F;
inline constexpr int kIconMask = 0x70;
} // namespace mb

// The application's title: the title of every box given none, and the agent name of the probe.
QString applicationTitle();

struct MessageBoxRequest
{
    QString text;  // lines separated by CR, as the program writes them
    int buttons;   // mb::OKOnly ... mb::RetryCancel
    int icon;      // 0 or mb::Critical ... mb::Information
    QString title; // never empty: the application's title when the caller gave none
};

struct InputBoxRequest
{
    QString prompt;
    QString title;
    QString defaultText;
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // Shows a modal message box; returns an mb::Result.
    virtual int messageBox(const MessageBoxRequest &request) = 0;
    // Shows a modal input box; returns the text typed, or "" on Cancel.
    virtual QString inputBox(const InputBoxRequest &request) = 0;
};

// The boxes as the program calls them. style is a button set plus an icon (mb::YesNo |
// mb::Question).
int MsgBox(const QString &text, int style = mb::OKOnly, const QString &title = QString());
QString InputBox(const QString &prompt,
                 const QString &title = QString(),
                 const QString &defaultText = QString());

// Gives a QMessageBox the title, text, icon and buttons (the default first) that the request asks
// for.
void prepareMessageBox(QMessageBox &box, const MessageBoxRequest &request);

// The real boxes on QMessageBox and QInputDialog.
class QtDialogs final : public Dialogs
{
public:
    int messageBox(const MessageBoxRequest &request) override;
    QString inputBox(const InputBoxRequest &request) override;
};

// The one the program uses, and its replacement by a test (nullptr: the real one again; the
// caller keeps ownership). Defined with the others in Services.cpp.
Dialogs &dialogs();
void install(Dialogs *dialogs);

} // namespace platform
