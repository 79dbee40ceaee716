#include "platform/Dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLoggingCategory>
#include <QMessageBox>

#include <vector>

Q_LOGGING_CATEGORY(lcDialogs, "kovara.dialogs")

namespace platform {

QString applicationTitle()
{
    return QStringLiteral("Kovara Norvessia PC Program");
}

int MsgBox(const QString &text, int style, const QString &title)
{
    MessageBoxRequest request {text,
                               style & mb::kButtonsMask,
                               style & mb::kIconMask,
                               title.isEmpty() ? applicationTitle() : title};
    qCInfo(lcDialogs).noquote() << "message box:" << request.title << "-" << text;
    const int answer = dialogs().messageBox(request);
    qCDebug(lcDialogs) << "answer" << answer;
    return answer;
}

QString InputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    InputBoxRequest request {prompt, title.isEmpty() ? applicationTitle() : title, defaultText};
    qCInfo(lcDialogs).noquote() << "input box:" << request.title << "-" << prompt;
    return dialogs().inputBox(request);
}

namespace {
QString withLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
struct ButtonAnswer
{
    QMessageBox::StandardButton button;
    int answer;
};

// The buttons of a set, the default first.
std::vector<ButtonAnswer> buttonsFor(int set)
{
    switch (set) {
    case mb::OKCancel:
        return {{QMessageBox::Ok, mb::OK}, {QMessageBox::Cancel, mb::Cancel}};
    case mb::AbortRetryIgnore:
        return {{QMessageBox::Abort, mb::Abort},
                {QMessageBox::Retry, mb::Retry},
                {QMessageBox::Ignore, mb::Ignore}};
    case mb::YesNoCancel:
        return {{QMessageBox::Yes, mb::Yes},
                {QMessageBox::No, mb::No},
                {QMessageBox::Cancel, mb::Cancel}};
    case mb::YesNo:
        return {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}};
    case mb::RetryCancel:
        return {{QMessageBox::Retry, mb::Retry}, {QMessageBox::Cancel, mb::Cancel}};
    default:
        return {{QMessageBox::Ok, mb::OK}};
    }
}
} // namespace

void prepareMessageBox(QMessageBox &box, const MessageBoxRequest &request)
{
    box.setWindowTitle(request.title);
    box.setText(withLineBreaks(request.text));
    switch (request.icon) {
    case mb::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case mb::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case mb::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case mb::Information:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    const std::vector<ButtonAnswer> buttons = buttonsFor(request.buttons);
    QMessageBox::StandardButtons set;
    for (const ButtonAnswer &b : buttons)
        set |= b.button;
    box.setStandardButtons(set);
    box.setDefaultButton(buttons.front().button);
}

int QtDialogs::messageBox(const MessageBoxRequest &request)
{
    QMessageBox box(QApplication::activeWindow());
    prepareMessageBox(box, request);
    const std::vector<ButtonAnswer> buttons = buttonsFor(request.buttons);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonAnswer &b : buttons) {
        if (b.button == clicked)
            return b.answer;
    }
    // Closed with Esc or the close box: the cancelling answer of the set.
    switch (request.buttons) {
    case mb::YesNo:
        return mb::No;
    case mb::OKOnly:
        return mb::OK;
    case mb::AbortRetryIgnore:
        return mb::Abort;
    default:
        return mb::Cancel;
    }
}

QString QtDialogs::inputBox(const InputBoxRequest &request)
{
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(),
                                               request.title,
                                               withLineBreaks(request.prompt),
                                               QLineEdit::Normal,
                                               request.defaultText,
                                               &ok);
    return ok ? text : QString();
}

} // namespace platform
