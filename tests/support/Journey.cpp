#include "Journey.h"

#include "UpdateFile.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace testing_support {

Journey::Journey(TestPlatform &test, const QString &fileServer)
    : m_test(test)
    , m_fileServer(fileServer)
    , m_log("kovara.forms kovara.prompts kovara.files",
            QStringLiteral("kovara.forms.info=true\nkovara.prompts.info=true\n"
                           "kovara.files.info=true"))
{ }

TestPlatform::Options Journey::options()
{
    TestPlatform::Options options;
    options.pace = {std::chrono::milliseconds(1),
                    std::chrono::milliseconds(1),
                    std::chrono::milliseconds(20),
                    std::chrono::seconds(1)};
    return options;
}

void Journey::given(const QString &words)
{
    static const QHash<QString, QMessageBox::StandardButton> buttons {
        {"Ok", QMessageBox::Ok},
        {"Yes", QMessageBox::Yes},
        {"No", QMessageBox::No},
        {"Retry", QMessageBox::Retry},
        {"Cancel", QMessageBox::Cancel}};
    static const QHash<QString, VirtualScaleSerial::PortState> states {
        {"empty", VirtualScaleSerial::PortState::Empty},
        {"busy", VirtualScaleSerial::PortState::Busy},
        {"absent", VirtualScaleSerial::PortState::Absent},
        {"forbidden", VirtualScaleSerial::PortState::Forbidden}};
    for (const QString &part : words.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString phrase = part.trimmed();
        const QString word = phrase.section(QLatin1Char(' '), 0, 0);
        const QString rest = phrase.section(QLatin1Char(' '), 1);
        if (word.startsWith(QLatin1String("COM")) && rest.startsWith(QLatin1String("scale"))) {
            const QString serial = rest.section(QLatin1Char('='), 1);
            m_scalePort = word.mid(3).toInt();
            m_scale = &m_test.serial.addScale(
                word.mid(3).toInt(), serial.isEmpty() ? QStringLiteral("20231187") : serial);
        } else if ((word == QLatin1String("fault") || phrase == QLatin1String("paced"))
                   && m_scale) {
            giveScale(*m_scale, word == QLatin1String("fault") ? rest : phrase);
        } else if (word == QLatin1String("swap") && m_scale) {
            const QStringList at = rest.split(QLatin1Char(' '));
            const QString serial = at.value(0);
            const uint command = at.value(2).toUInt(nullptr, 16);
            const int address = at.value(3).mid(1).toInt(nullptr, 16);
            TestPlatform &test = m_test;
            m_scale->setFrameObserver([&test, port = m_scalePort, serial, command, address](
                                          const virtual_scale::FrameRecord &record) {
                if (record.command == command && record.address == address)
                    test.clock.scheduleIn(0, [&test, port, serial] {
                        if (test.serial.scale(port)->serialNumber() != serial)
                            test.serial.addScale(port, serial);
                    });
            });
        } else if (phrase == QLatin1String("torn history")) {
            // One whole record, then one the power cut short.
            EXPECT_TRUE(writeFile(m_test.files.historyFile(),
                                  "{\"serial\":\"20231187\",\"outcome\":\"updated\"}\n"
                                  "{\"serial\":\"2023"));
        } else if (phrase == QLatin1String("full disk")) {
            EXPECT_TRUE(QFile::link(QStringLiteral("/dev/full"), m_test.files.updateFile()));
        } else if (word.startsWith(QLatin1String("COM")) && states.contains(rest)) {
            m_test.serial.addPort(word.mid(3).toInt(), states.value(rest));
        } else if (phrase.startsWith(QLatin1String("version fails "))) {
            m_test.maker.failNextAsking(kVersion, phrase.mid(14));
        } else if (word == QLatin1String("port")) {
            m_test.scale.setPortNumber(rest.toInt());
        } else if (word == QLatin1String("version")) {
            m_test.maker.setVersion(rest);
        } else if (word == QLatin1String("update") && rest == QLatin1String("file")) {
            EXPECT_TRUE(writeUpdateFile(m_test.files.updateFile(), applicationImage()));
        } else if (phrase.startsWith(QLatin1String("update file "))) {
            givenUpdateFile(phrase.mid(12));
        } else if (word == QLatin1String("update")) {
            m_test.maker.setUpdate(rest);
        } else if (phrase == QLatin1String("no internet")) {
            m_test.probe.reachable = false;
        } else if (phrase == QLatin1String("held internet")) {
            m_test.probe.holdAnswer = true;
        } else if (word == QLatin1String("quit")) {
            m_test.dialogs.answerQuit(rest == QLatin1String("Yes"));
        } else if (word == QLatin1String("box") && buttons.contains(rest)) {
            m_test.dialogs.answer(buttons.value(rest));
        } else if (word == QLatin1String("type")) {
            m_test.dialogs.type(rest);
        } else if (phrase == QLatin1String("shell fails")) {
            m_test.shell.result = platform::Shell::Result::NoAssociation;
        } else {
            ADD_FAILURE() << "given: no such words: " << phrase.toStdString();
        }
    }
}

void Journey::givenUpdateFile(const QString &how)
{
    // The file as the maker signed it, then what happened to it or to its signature.
    const QString path = m_test.files.updateFile();
    QByteArray hex = intelHex(applicationImage());
    QByteArray signature = makerSignature(hex);
    if (how == QLatin1String("unsigned")) {
        signature.clear();
    } else if (how == QLatin1String("signed in the legacy form")) {
        signature = makerSignature(hex, std::nullopt, true);
    } else if (how == QLatin1String("signed by another key")) {
        signature = makerSignature(hex, maker::newSigningKey());
    } else if (how == QLatin1String("changed after signing")) {
        // One data byte and its record's checksum: a whole file, but not the one signed.
        QByteArray image = applicationImage();
        image[0x1234] = char(image[0x1234] ^ 0x5A);
        hex = intelHex(image);
    } else if (how == QLatin1String("with its signature cut short")) {
        signature.chop(signature.size() / 2);
    } else if (how == QLatin1String("with an empty signature")) {
        signature = "";
    } else {
        ADD_FAILURE() << "given: no such update file: " << how.toStdString();
    }
    EXPECT_TRUE(writeFile(path, hex));
    if (how != QLatin1String("unsigned")) {
        EXPECT_TRUE(writeFile(core::signaturePath(path), signature));
    }
}

void Journey::run(UpdateFlow::Screen from, const QStringList &steps)
{
    m_test.flow.goTo(from);
    settle();
    for (const QString &s : steps)
        step(s);
}

void Journey::step(const QString &step)
{
    if (step == QLatin1String("probe")) {
        m_test.probe.answer();
        settle();
        return;
    }
    const QString window = step.section(QLatin1Char('.'), 0, 0);
    const QString rest = step.section(QLatin1Char('.'), 1);
    QWidget *top = topLevel(window);
    if (!top || !top->isVisible()) {
        ADD_FAILURE() << "step " << step.toStdString() << ": the window is not shown; trace "
                      << trace().toStdString();
        return;
    }
    const QString name = rest.section(QLatin1Char('='), 0, 0);
    if (rest.contains(QLatin1Char('='))) {
        QString text = rest.section(QLatin1Char('='), 1);
        if (text.trimmed().startsWith(QLatin1Char('/')))
            text.insert(text.indexOf(QLatin1Char('/')), m_fileServer);
        top->findChild<QLineEdit *>(name)->setText(text);
    } else if (name == QLatin1String("close")) {
        top->close();
    } else if (name == QLatin1String("activate")) {
        activate(top);
    } else if (name == QLatin1String("Esc") || name == QLatin1String("Return")) {
        QWidget *focus = top->focusWidget() ? top->focusWidget() : top;
        QTest::keyClick(focus, name == QLatin1String("Esc") ? Qt::Key_Escape : Qt::Key_Return);
    } else if (auto *button = top->findChild<QAbstractButton *>(name)) {
        button->click();
    } else if (auto *action = top->findChild<QAction *>(name)) {
        action->trigger();
    } else if (auto *label = top->findChild<QLabel *>(name)) {
        QTest::mouseClick(label, Qt::LeftButton);
    } else {
        ADD_FAILURE() << "step " << step.toStdString() << ": no such control";
    }
    settle();
}

// Long work shows the busy cursor: a question to the maker, the port search, the serial-number
// read, the download, the scale's update. The start-up window has it for its whole life.
static bool showsBusyCursor()
{
    if (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor)
        return true;
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](const QWidget *window) {
        return window->isVisible() && window->cursor().shape() == Qt::WaitCursor
            && window->objectName() != QLatin1String("frmStartUp");
    });
}

void Journey::settle()
{
    QElapsedTimer all, still;
    all.start();
    still.start();
    qsizetype lines = -1;
    while (all.elapsed() < 60000) {
        processEvents();
        QTest::qWait(5);
        // Once the program has ended, the windows it left behind wait for nothing.
        const bool busy = m_test.process.ends == 0
            && (m_test.maker.answering() || m_test.downloader.isRunning() || showsBusyCursor());
        if (busy || m_log.lines().size() != lines) {
            lines = m_log.lines().size();
            still.restart();
        } else if (still.elapsed() > 150) {
            break;
        }
    }
    static const QRegularExpression shown(QStringLiteral("^window shown: (\\S+)"));
    static const QRegularExpression closed(QStringLiteral("^window closed: (\\S+)"));
    static const QRegularExpression quit(QStringLiteral("^quit question about (.*) over (\\S+)"));
    static const QRegularExpression box(QStringLiteral("^message box: .*? - ([^\r\n,.(]*)"));
    for (; m_seen < m_log.lines().size(); ++m_seen) {
        const QString &line = m_log.lines().at(m_seen);
        QRegularExpressionMatch m;
        if ((m = shown.match(line)).hasMatch())
            m_words << QLatin1Char('+') + m.captured(1);
        else if ((m = closed.match(line)).hasMatch())
            m_words << QLatin1Char('-') + m.captured(1);
        else if ((m = quit.match(line)).hasMatch())
            m_words << (m.captured(1) == QLatin1String("the update") ? QStringLiteral("quit@")
                            : m.captured(1) == QLatin1String("the update in progress")
                            ? QStringLiteral("stop@")
                            : QStringLiteral("leave@"))
                    + m.captured(2);
        else if ((m = box.match(line)).hasMatch())
            m_words << QLatin1Char('!') + m.captured(1).trimmed();
        else if (line.startsWith(QLatin1String("input box:")))
            m_words << QStringLiteral("input");
        else if (line.startsWith(QLatin1String("deleted ")))
            m_words << QStringLiteral("rm:") + line.section(QLatin1Char('/'), -1);
    }
    for (; m_ends < m_test.process.ends; ++m_ends)
        m_words << QStringLiteral("end");
}

QString Journey::trace() const
{
    return m_words.join(QLatin1Char(' '));
}

} // namespace testing_support
