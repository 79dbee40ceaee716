#include "ScreenRecord.h"

#include "ui/Prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace testing_support {

namespace {

// A temporary folder or a loopback port that changes from run to run reads the same in every run.
QString stable(QString text)
{
    // In either separator: the paths a user reads are in the system's own.
    static const QRegularExpression temporary(
        QStringLiteral("(%1|%2)[/\\\\][^/\\\\\"\\s)]+")
            .arg(QRegularExpression::escape(QDir::tempPath()),
                 QRegularExpression::escape(QDir::toNativeSeparators(QDir::tempPath()))));
    static const QRegularExpression loopback(QStringLiteral("127\\.0\\.0\\.1:[0-9]+"));
    // The time left of a download depends on how fast loopback was in that run.
    static const QRegularExpression timeLeft(QStringLiteral("time remaining: [^)]*\\)"));
    text.replace(temporary, QStringLiteral("<tmp>"));
    text.replace(loopback, QStringLiteral("127.0.0.1:<port>"));
    text.replace(timeLeft, QStringLiteral("time remaining: <time>)"));
    return text;
}

QString quoted(QString text)
{
    text = stable(text);
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    text.replace(QLatin1Char('\r'), QLatin1String("\\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The letter after a single '&', as Qt underlines it.
QString accessKey(const QString &text)
{
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return QStringLiteral(" key=") + text.at(i + 1).toUpper();
        ++i;
    }
    return QString();
}

// The Qt class a widget is, whatever class of ours derives from it.
QString qtClass(const QObject *object)
{
    const QMetaObject *meta = object->metaObject();
    while (meta && !QByteArray(meta->className()).startsWith('Q'))
        meta = meta->superClass();
    return QString::fromLatin1(meta ? meta->className() : "?");
}

QString fontOf(const QWidget *widget)
{
    const QFont font = widget->font();
    if (font == QApplication::font())
        return QString();
    QString styles;
    for (const auto &[on, name] : {std::pair {font.bold(), ",bold"},
                                   std::pair {font.italic(), ",italic"},
                                   std::pair {font.underline(), ",underline"}})
        styles += on ? QLatin1String(name) : QLatin1String();
    return QStringLiteral(" font=\"%1,%2%3\"")
        .arg(font.family())
        .arg(font.pointSizeF())
        .arg(styles);
}

// The background (a button's face) and the text colour, where they differ from the defaults.
QString coloursOf(const QWidget *widget)
{
    const QPalette::ColorRole back
        = qobject_cast<const QAbstractButton *>(widget) ? QPalette::Button : QPalette::Window;
    const QPalette defaults = QApplication::palette(widget);
    const QPalette own = widget->palette();
    QString line;
    for (const auto &[role, name] :
         {std::pair {back, " bg="}, std::pair {QPalette::WindowText, " fg="}}) {
        if (own.color(QPalette::Active, role) != defaults.color(QPalette::Active, role))
            line += QLatin1String(name) + own.color(QPalette::Active, role).name();
    }
    return line;
}

QString contentOf(const QWidget *widget)
{
    QString line;
    if (auto *label = qobject_cast<const QLabel *>(widget)) {
        line += QLatin1Char(' ') + quoted(label->text()) + accessKey(label->text());
        if (!label->pixmap().isNull())
            line += QStringLiteral(" picture=%1x%2")
                        .arg(label->pixmap().width())
                        .arg(label->pixmap().height());
    } else if (auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        line += QLatin1Char(' ') + quoted(button->text()) + accessKey(button->text());
        if (button->isCheckable())
            line += button->isChecked() ? QStringLiteral(" checked") : QStringLiteral(" unchecked");
        if (auto *push = qobject_cast<const QPushButton *>(widget); push && push->isDefault())
            line += QStringLiteral(" default");
    } else if (auto *edit = qobject_cast<const QLineEdit *>(widget)) {
        line += QLatin1Char(' ') + quoted(edit->text());
        if (edit->isReadOnly())
            line += QStringLiteral(" read-only");
    } else if (auto *page = qobject_cast<const QPlainTextEdit *>(widget)) {
        line += QLatin1Char(' ') + quoted(page->toPlainText());
        if (page->isReadOnly())
            line += QStringLiteral(" read-only");
    } else if (auto *bar = qobject_cast<const QProgressBar *>(widget)) {
        line += QStringLiteral(" value=%1 of %2..%3")
                    .arg(bar->value())
                    .arg(bar->minimum())
                    .arg(bar->maximum());
    }
    return line;
}

void describeMenus(const QMenuBar *bar, QStringList &lines)
{
    for (const QAction *entry : bar->actions()) {
        const QMenu *menu = entry->menu();
        lines << QStringLiteral("menu %1 %2%3%4")
                     .arg(menu ? menu->objectName() : QString(), quoted(entry->text()))
                     .arg(accessKey(entry->text()),
                          entry->isEnabled() ? QString() : QStringLiteral(" disabled"));
        if (!menu)
            continue;
        for (const QAction *item : menu->actions()) {
            if (item->isSeparator()) {
                lines << QStringLiteral("  separator");
                continue;
            }
            QString line = QStringLiteral("  item %1 %2%3")
                               .arg(item->objectName(), quoted(item->text()))
                               .arg(accessKey(item->text()));
            if (!item->shortcut().isEmpty())
                line += QStringLiteral(" shortcut=") + item->shortcut().toString();
            if (!item->isEnabled())
                line += QStringLiteral(" disabled");
            if (!item->isVisible())
                line += QStringLiteral(" hidden");
            if (item->isCheckable())
                line += item->isChecked() ? QStringLiteral(" checked")
                                          : QStringLiteral(" unchecked");
            lines << line;
        }
    }
}

// Qt's own parts of a widget (a text page's scroll bars, say) are the widget's, not the program's.
bool isQtPart(const QWidget *widget)
{
    for (const QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (w->objectName().startsWith(QLatin1String("qt_")))
            return true;
        const QWidget *parent = w->parentWidget();
        if (parent && !parent->isWindow() && qtClass(parent) != QLatin1String("QWidget")
            && qtClass(parent) != QLatin1String("QFrame"))
            return true;
    }
    return false;
}

} // namespace

QStringList describeWindow(const QWidget *window)
{
    const bool busy = window->cursor().shape() == Qt::WaitCursor
        || (QApplication::overrideCursor()
            && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
    const QWidget *focus = window->focusWidget();
    QStringList lines {
        QStringLiteral("window %1 %2 %3x%4%5%6%7%8%9")
            .arg(window->objectName(), quoted(window->windowTitle()))
            .arg(window->width())
            .arg(window->height())
            .arg(window->minimumSize() == window->maximumSize() ? QStringLiteral(" fixed")
                                                                : QString(),
                 window->isEnabled() ? QString() : QStringLiteral(" disabled"),
                 busy ? QStringLiteral(" busy") : QString(),
                 fontOf(window) + coloursOf(window),
                 focus ? QStringLiteral(" focus=") + focus->objectName() : QString())};
    for (const QMenuBar *bar : window->findChildren<QMenuBar *>())
        describeMenus(bar, lines);

    QStringList widgets;
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->isWindow() || qobject_cast<const QMenu *>(widget) || isQtPart(widget))
            continue;
        const QString cls = qtClass(widget);
        if ((cls == QLatin1String("QWidget") || cls == QLatin1String("QFrame"))
            && widget->objectName().isEmpty())
            continue; // a container the user does not see
        const QRect at(widget->mapTo(window, QPoint(0, 0)), widget->size());
        QString line
            = QStringLiteral("%1 %2 at %3,%4 %5x%6")
                  .arg(widget->objectName().isEmpty() ? QStringLiteral("-") : widget->objectName(),
                       cls)
                  .arg(at.x())
                  .arg(at.y())
                  .arg(at.width())
                  .arg(at.height());
        line += contentOf(widget);
        if (!widget->toolTip().isEmpty())
            line += QStringLiteral(" tip=") + quoted(widget->toolTip());
        if (!widget->isEnabledTo(window))
            line += QStringLiteral(" disabled");
        if (!widget->isVisibleTo(window))
            line += QStringLiteral(" hidden");
        widgets << line + fontOf(widget) + coloursOf(widget);
    }
    std::sort(widgets.begin(), widgets.end());
    return lines + widgets;
}

QString describeBox(const Prompt &prompt)
{
    QMessageBox box;
    preparePromptBox(box, prompt);
    QStringList buttons;
    for (QAbstractButton *button : box.buttons()) {
        const bool isDefault = button == static_cast<QAbstractButton *>(box.defaultButton());
        buttons << (isDefault ? QStringLiteral("[%1]") : QStringLiteral("%1")).arg(button->text());
    }
    const char *icon = QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box.icon());
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QLatin1String(icon),
             quoted(box.windowTitle()),
             buttons.join(QLatin1Char('/')),
             quoted(box.text()));
}

QString describeInputBox(const QString &title, const QString &label)
{
    return QStringLiteral("Input %1 default=%2 %3")
        .arg(quoted(title), quoted(QString()), quoted(label));
}

QString recordPath(const QString &name)
{
    return QStringLiteral(KOVARA_SOURCE_DIR "/tests/records/") + name;
}

QString compareWithRecord(const QString &name, const QString &text)
{
    const QString path = recordPath(name);
    if (qEnvironmentVariable("KOVARA_UPDATE_SNAPSHOT") == QLatin1String("1")) {
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(text.toUtf8()) < 0 || !out.commit())
            return QStringLiteral("cannot rewrite ") + path;
        return QString();
    }
    QFile in(path);
    if (in.open(QIODevice::ReadOnly) && in.readAll() == text.toUtf8())
        return QString();
    QTemporaryDir scratch;
    QFile actual(scratch.filePath(name));
    if (!actual.open(QIODevice::WriteOnly) || actual.write(text.toUtf8()) < 0)
        return QStringLiteral("differs from ") + path;
    actual.close();
    QProcess diff;
    diff.start(QStringLiteral("diff"), {QStringLiteral("-u"), path, actual.fileName()});
    diff.waitForFinished();
    return QString::fromUtf8(diff.readAllStandardOutput())
        + QStringLiteral("\n(a deliberate change: run again with KOVARA_UPDATE_SNAPSHOT=1)");
}

void collectBox(const QString &line)
{
    // A file of this process's own, claimed by an exclusive create and kept open: under Wine a new
    // process may get the number, and even the random name, of one just ended, and an append
    // after another process's may land on its lines.
    static QFile file;
    if (file.fileName().isEmpty()) {
        const QString folder = QStringLiteral(KOVARA_MESSAGE_DIR);
        QDir().mkpath(folder);
        const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces);
        for (int attempt = 0; attempt < 100 && !file.isOpen(); ++attempt) {
            file.setFileName(QStringLiteral("%1/%2-%3.txt").arg(folder, name).arg(attempt));
            file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        }
    }
    const QByteArray bytes = line.toUtf8() + '\n';
    // A box left out of the collection fails the record's check later, far from here: say why.
    if (!file.isOpen() || file.write(bytes) != bytes.size() || !file.flush())
        ADD_FAILURE() << "cannot collect the box into " << file.fileName().toStdString() << ": "
                      << file.errorString().toStdString();
}

void markTestsRun()
{
    class Marker final : public ::testing::EmptyTestEventListener
    {
        void OnTestStart(const ::testing::TestInfo &test) override
        {
            const QString folder = QStringLiteral(KOVARA_MESSAGE_DIR "/ran");
            QDir().mkpath(folder);
            QFile(QStringLiteral("%1/%2.%3").arg(folder, test.test_suite_name(), test.name()))
                .open(QIODevice::WriteOnly);
        }
    };
    ::testing::UnitTest::GetInstance()->listeners().Append(new Marker);
}

} // namespace testing_support
