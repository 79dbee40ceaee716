// Every window of the program, in each state a user meets it, against the checked-in record
// tests/records/screens.txt, or screens-windows.txt on Windows, where the fonts and the style
// give other sizes (KOVARA_UPDATE_SNAPSHOT=1 rewrites it).

#include "ScreenRecord.h"
#include "TestPlatform.h"
#include "UpdateFile.h"

#include "device/ScaleProgrammer.h"
#include "net/MakerAddresses.h"
#include "platform/Files.h"
#include "ui/DownloadDialog.h"
#include "ui/QuitDialog.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

namespace vs = virtual_scale;
using testing_support::describeWindow;

const QString kRecord = testing_support::onLinux() ? QStringLiteral("screens.txt")
                                                   : QStringLiteral("screens-windows.txt");

// The texts that do not fit their control at the program's font.
QStringList clipped(QWidget *window)
{
    QStringList texts;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(window))
            continue;
        const bool fits = label->wordWrap()
            ? label->heightForWidth(label->width()) <= label->height()
            : label->sizeHint().height() <= label->height()
                && label->sizeHint().width() <= label->width();
        if (!fits)
            texts << label->text();
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (button->isVisibleTo(window) && button->sizeHint().width() > button->width())
            texts << button->text();
    }
    return texts;
}

QStringList record(const char *name, QWidget *window)
{
    EXPECT_EQ(clipped(window), QStringList()) << name;
    return QStringList {QStringLiteral("[%1]").arg(QLatin1String(name))} + describeWindow(window)
        + QStringList {QString()};
}

using Platform = testing_support::TestPlatform;

// Program runs that end in the states worth recording. Each gets a fresh set of doubles with a
// scale of serial number 20231187 on COM1, and adds the record of the windows it shows to `out`.
const std::function<void(Platform &, QStringList &out)> scenes[] = {
    [](Platform &test, QStringList &out) {
        test.flow.start();
        out << record("start-up", testing_support::topLevel("frmStartUp"));
    },
    [](Platform &test, QStringList &out) {
        test.flow.goTo(UpdateFlow::Screen::NotConnected);
        out << record("no internet connection", testing_support::topLevel("frmNotConnected"));
    },
    [](Platform &test, QStringList &out) {
        test.flow.goTo(UpdateFlow::Screen::PortSearch);
        QWidget *search = testing_support::topLevel("frmChoosePort");
        out << record("port search", search);
        vs::VirtualScale &scale = *test.serial.scale(1);
        scale.setTiming({true});
        // The search reads the serial number once: the one frame it sends.
        scale.setFrameObserver([&](const vs::FrameRecord &) {
            test.clock.scheduleIn(0, [&] { out << record("port search, searching", search); });
        });
        testing_support::button("frmChoosePort", "cmdContinue")->click();
        // The search found the scale.
        EXPECT_TRUE(QTest::qWaitFor([] { return testing_support::isShown("frmWelcome"); }));
        test.waitForChecks();
    },
    [](Platform &test, QStringList &out) {
        test.flow.goTo(UpdateFlow::Screen::Main);
        test.waitForChecks();
        out << record("main window", testing_support::topLevel("frmWelcome"));
        test.flow.goTo(UpdateFlow::Screen::Help);
        out << record("help", testing_support::topLevel("frmHelp"));
    },
    [](Platform &test, QStringList &out) {
        test.maker.setUpdate(QStringLiteral("Y"));
        test.maker.serve(net::MakerAddresses::built().bannerUrl(), testing_support::jpeg(300, 50));
        test.flow.goTo(UpdateFlow::Screen::Main);
        test.waitForChecks();
        out << record("main window with the update banner",
                      testing_support::topLevel("frmWelcome"));
    },
    [](Platform &test, QStringList &out) {
        test.maker.setVersion(QStringLiteral("5.1"));
        test.flow.goTo(UpdateFlow::Screen::Main);
        ASSERT_TRUE(QTest::qWaitFor([] { return testing_support::isShown("frmVersion"); }));
        test.waitForChecks();
        out << record("new version", testing_support::topLevel("frmVersion"));
        QuitDialog question(QuitDialog::Subject::NewVersionDownload,
                            testing_support::topLevel("frmVersion"));
        question.show();
        out << record("quit question over the new version", &question);
    },
    [](Platform &test, QStringList &out) {
        test.flow.goTo(UpdateFlow::Screen::PortSearch);
        QuitDialog question(QuitDialog::Subject::ScaleUpdate,
                            testing_support::topLevel("frmChoosePort"));
        question.show();
        out << record("quit question", &question);
        QuitDialog writing(QuitDialog::Subject::ScaleBeingWritten);
        writing.show();
        out << record("quit question while the scale is written", &writing);
    },
    [](Platform &test, QStringList &out) {
        // Update Scale on the main window, the scale on COM1.
        test.scale.setPortNumber(1);
        test.flow.goTo(UpdateFlow::Screen::Main);
        test.waitForChecks();
        testing_support::button("frmWelcome", "cmdUpdate")->click();
        ASSERT_TRUE(QTest::qWaitFor([] { return testing_support::isShown("frmCheckScale"); }));
        test.scale.close();
        out << record("scale check", testing_support::topLevel("frmCheckScale"));
        // In the middle of a download: 4 KB of 10 KB in two seconds.
        DownloadDialog progress(QStringLiteral(KOVARA_BIN_DIR "/downloading.AVI"));
        progress.setStatus(QStringLiteral("Saving:"));
        progress.setSource(QStringLiteral("u.hex from downloads.test"));
        progress.setDestination(test.files.file(QStringLiteral("u.hex")));
        progress.showProgress(4096, 10240, 2048, 3);
        progress.show();
        progress.activateWindow();
        testing_support::activate(&progress);
        testing_support::processEvents();
        out << record("download progress", &progress);
        test.flow.goTo(UpdateFlow::Screen::Downloaded);
        out << record("download done", testing_support::topLevel("frmSuccess"));
    },
    [](Platform &test, QStringList &out) {
        testing_support::writeUpdateFile(test.files.updateFile(),
                                         testing_support::applicationImage());
        // Shown, but not yet the active window: the run has not started.
        test.scale.setPortNumber(1);
        test.flow.goTo(UpdateFlow::Screen::ScaleUpdate);
        QWidget *display = testing_support::topLevel("frmDisplay");
        out << record("scale update before the run", display);
        vs::VirtualScale &scale = *test.serial.scale(1);
        scale.setTiming({true});
        scale.setFrameObserver([&](const vs::FrameRecord &frame) {
            if (frame.command == vs::kProgramBlock && frame.address == 0x4000)
                test.clock.scheduleIn(0, [&] {
                    // What the window system has sent since the run started is in.
                    testing_support::processEvents();
                    out << record("scale update during the run", display);
                });
        });
        testing_support::activate(display);
        ASSERT_TRUE(QTest::qWaitFor([] { return testing_support::isShown("frmSuccessUpdate"); }));
        QWidget *success = testing_support::topLevel("frmSuccessUpdate");
        testing_support::activate(success);
        out << record("update success, at first", success);
        EXPECT_TRUE(
            QTest::qWaitFor([success] { return success->cursor().shape() != Qt::WaitCursor; }));
        out << record("update success", success);
    },
    [](Platform &test, QStringList &out) {
        test.flow.goTo(UpdateFlow::Screen::ScaleLost);
        out << record("communication error while updating",
                      testing_support::topLevel("frmErrorScaleCom"));
        test.flow.goTo(UpdateFlow::Screen::ScaleMissing);
        out << record("communication error in the search",
                      testing_support::topLevel("frmErrorScaleCom2"));
    },
};

TEST(Screens, EveryWindowLooksAsRecorded)
{
    QStringList lines;
    for (const auto &scene : scenes) {
        // The start-up stands still for its record; the last screen's wait is short.
        Platform test({nullptr, {}, {std::chrono::hours(1), std::chrono::milliseconds(1)}});
        test.serial.addScale(1, QStringLiteral("20231187"));
        scene(test, lines);
    }
    const QString difference = testing_support::compareWithRecord(kRecord, lines.join('\n'));
    EXPECT_TRUE(difference.isEmpty()) << difference.toStdString();
}

} // namespace
