// The wizard's journeys: each row says what the scale, the maker and the user do (Journey's
// given words), drives the windows by their controls from one screen, and states what the user
// meets in order (Journey's trace) and, where it matters, what the run leaves.

#include "Journey.h"
#include "UpdateFile.h"

#include "core/FlashImage.h"
#include "device/ScaleLink.h"
#include "net/MakerAddresses.h"
#include "platform/HistoryFile.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace testing_support;
using Screen = UpdateFlow::Screen;
namespace vs = virtual_scale;

// The update file and its signature.
const QString kRmUpdate
    = QStringLiteral("rm:KovaraNorvessia_APROM.hex rm:KovaraNorvessia_APROM.hex.minisig");
const QString kRmBanner = QStringLiteral("rm:norvessiaupdatebanner.jpg");
qint64 g_unpluggedAt = 0;
qint64 g_quitAt = 0;

struct Row
{
    const char *what;
    QString given;
    Screen from;
    QStringList steps;
    QString trace;
    std::function<void(TestPlatform &)> check = {};
    std::function<void(TestPlatform &)> setup = {};
};

// The close box and Yes when the scale gets the frame of block 100 (C3h: programming, B4h: the
// verify): that frame is the last before the closing byte, and the program ends within one reply
// deadline.
// The history's last record of a run on the scale.
QJsonObject lastRecord(TestPlatform &test)
{
    const auto records = platform::HistoryFile(test.files.historyFile()).read().records;
    return records.isEmpty() ? QJsonObject() : records.last();
}

Row quitAtBlock100(quint8 command, const char *what)
{
    return {what,
            "COM1 scale, paced, port 1, update file, quit Yes",
            Screen::ScaleUpdate,
            {},
            "+frmDisplay stop@frmDisplay " + kRmBanner + ' ' + kRmUpdate + " end",
            [command](TestPlatform &t) {
                const auto &frames = t.serial.scale(1)->frames();
                ASSERT_GE(frames.size(), 2u);
                const vs::FrameRecord &last = frames.at(frames.size() - 2);
                EXPECT_EQ(last.command, command);
                EXPECT_EQ(last.address, 100 * vs::kBlockSize);
                EXPECT_EQ(frames.back().command, vs::kCloseSession);
                EXPECT_FALSE(t.serial.isOpen(1));
                EXPECT_LT(t.clock.nowMs() - g_quitAt, device::ScaleLink::kReplyTimeoutMs);
                EXPECT_EQ(lastRecord(t).value("outcome").toString(), QStringLiteral("stopped"));
            },
            [command](TestPlatform &t) {
                t.serial.scale(1)->setFrameObserver([&t, command](const vs::FrameRecord &record) {
                    if (record.command != command || record.address != 100 * vs::kBlockSize)
                        return;
                    t.clock.scheduleIn(0, [&t] {
                        g_quitAt = t.clock.nowMs();
                        topLevel("frmDisplay")->close();
                    });
                });
            }};
}

QString label(const char *window, const char *name)
{
    return topLevel(window)->findChild<QLabel *>(name)->text();
}

void run(const Row &row)
{
    SCOPED_TRACE(row.what);
    TestPlatform test(Journey::options());
    test.touchWorkingFile(QString::fromLatin1(platform::kBannerFileName));
    Journey journey(test);
    journey.given(row.given);
    if (row.setup)
        row.setup(test);
    journey.run(row.from, row.steps);
    EXPECT_EQ(journey.trace(), row.trace);
    if (row.check)
        row.check(test);
}

} // namespace

TEST(Flow, StartUpAndQuitting)
{
    const auto cancelledWithTheCheckStopped = [](TestPlatform &t) {
        t.dialogs.answerQuit(false);
        // The question is modal: the start-up's ticks would go on under it, were it not stopped.
        t.dialogs.onBox([&t] {
            QTest::qWait(20);
            EXPECT_EQ(t.probe.calls, 0) << "the start-up went on under the question";
        });
        QTimer::singleShot(0, [] { topLevel("frmStartUp")->close(); });
    };
    const QString goesOn = "quit@frmStartUp +frmChoosePort -frmStartUp";
    // clang-format off
    const Row rows[] = {
        {"the internet answers: on to the port search", "", Screen::StartUp, {},
         "+frmStartUp +frmChoosePort -frmStartUp"},
        {"no internet: the start-up stops behind the no-internet screen, whose OK ends it",
         "no internet", Screen::StartUp, {"frmNotConnected.cmdOkay"},
         "+frmStartUp +frmNotConnected end"},
        {"no internet: its close box ends the program too",
         "no internet", Screen::StartUp, {"frmNotConnected.close"},
         "+frmStartUp +frmNotConnected end"},
        {"a close while the check runs is asked once the check has ended; Cancel goes on",
         "held internet, quit Cancel", Screen::StartUp, {"frmStartUp.close", "probe"},
         "+frmStartUp " + goesOn,
         [](TestPlatform &t) { EXPECT_EQ(t.probe.calls, 1); }},
        {"closing the start-up asks with the start-up stopped; Cancel goes on",
         "", Screen::StartUp, {}, "+frmStartUp " + goesOn, {}, cancelledWithTheCheckStopped},
        {"Yes to the quit question deletes the banner, then the update file, and ends",
         "update file, quit Yes", Screen::PortSearch, {"frmChoosePort.close"},
         "+frmChoosePort quit@frmChoosePort " + kRmBanner + ' ' + kRmUpdate + " end"},
        {"every Exit and close box asks about the update; Cancel keeps the window",
         "quit Cancel, quit Cancel", Screen::ScaleMissing,
         {"frmErrorScaleCom2.cmdExit", "frmErrorScaleCom2.close"},
         "+frmErrorScaleCom2 quit@frmErrorScaleCom2 quit@frmErrorScaleCom2",
         [](TestPlatform &t) { EXPECT_TRUE(t.dialogs.quitsModal().at(0)); }},
        {"the main window's Exit and close box ask too; Cancel keeps it",
         "quit Cancel, quit Cancel", Screen::Main, {"frmWelcome.cmdExit", "frmWelcome.close"},
         "+frmWelcome quit@frmWelcome quit@frmWelcome"},
        {"the update file's window asks before it closes",
         "quit Cancel, quit Cancel", Screen::UpdateFile,
         {"frmCheckScale.cmdExit", "frmCheckScale.close"},
         "+frmCheckScale quit@frmCheckScale quit@frmCheckScale"},
    };
    // clang-format on
    for (const Row &row : rows)
        run(row);
}

TEST(Flow, FindingTheScale)
{
    const auto secondContinueWhileSearching = [](TestPlatform &t) {
        t.clock.scheduleIn(30, [] {
            EXPECT_EQ(topLevel("frmChoosePort")->cursor().shape(), Qt::WaitCursor);
            EXPECT_EQ(topLevel("frmChoosePort")->windowTitle(),
                      QStringLiteral("Checking Scale Connection to Computer...."));
            button("frmChoosePort", "cmdContinue")->click();
        });
    };
    const auto onlyOneRead = [](int port) {
        return [port](TestPlatform &t) {
            EXPECT_EQ(t.serial.sent(port), QByteArray::fromHex("B40700"));
        };
    };
    // clang-format off
    const Row rows[] = {
        {"ports in numeric order, the unopenable and the silent skipped, up to the scale",
         "COM12 scale=99999999, COM10 scale, COM1 empty, COM4 absent, COM2 busy, "
         "COM3 scale=12AB5678",
         Screen::PortSearch, {"frmChoosePort.cmdContinue"},
         "+frmChoosePort +frmWelcome -frmChoosePort",
         [](TestPlatform &t) {
             for (auto [port, opens] : {std::pair {1, 1}, {2, 0}, {3, 1}, {10, 1}, {12, 0}})
                 EXPECT_EQ(t.serial.opens(port), opens) << "COM" << port;
             EXPECT_EQ(t.scale.portNumber(), 10);
             EXPECT_FALSE(t.serial.isOpen(10));
         }},
        {"no scale after the 10 s wait: the error window, whose Retry goes back to the search",
         "COM1 empty", Screen::PortSearch, {"frmChoosePort.cmdContinue",
         "frmErrorScaleCom2.cmdRetry"},
         "+frmChoosePort +frmErrorScaleCom2 -frmChoosePort +frmChoosePort -frmErrorScaleCom2",
         [](TestPlatform &t) { EXPECT_NEAR(double(t.clock.waitedMs()), 10'000.0, 600.0); }},
        {"a second Continue while the search runs starts nothing; the window shows it searches",
         "COM2 scale, paced", Screen::PortSearch, {"frmChoosePort.cmdContinue"},
         "+frmChoosePort +frmWelcome -frmChoosePort", onlyOneRead(2), secondContinueWhileSearching},
        {"ports the user may not open are explained once",
         "COM1 forbidden, COM2 empty, COM3 forbidden, box Ok", Screen::PortSearch,
         {"frmChoosePort.cmdContinue"},
         "+frmChoosePort !No scale was found +frmErrorScaleCom2 -frmChoosePort",
         [](TestPlatform &t) {
             const QString text = t.dialogs.texts().at(0);
             EXPECT_TRUE(text.contains("You may not open COM1") && text.contains("COM3"));
         }},
        {"Update Scale reads the serial number and leaves the port open for the update",
         "COM5 scale=12AB5678, fault late B4 50, port 5", Screen::Main, {"frmWelcome.cmdUpdate"},
         "+frmWelcome +frmCheckScale -frmWelcome",
         [](TestPlatform &t) {
             EXPECT_TRUE(label("frmCheckScale", "lblSerial").endsWith("12AB5678"));
             EXPECT_TRUE(t.serial.isOpen(5));
         }},
        {"a second Update Scale while the scale is read is ignored",
         "COM3 scale, fault late * 500, port 3", Screen::Main, {"frmWelcome.cmdUpdate"},
         "+frmWelcome +frmCheckScale -frmWelcome", onlyOneRead(3),
         [](TestPlatform &t) { t.clock.scheduleIn(1, [] { button("frmWelcome",
         "cmdUpdate")->click(); }); }},
        {"a scale that cannot be read: the error window, whose Retry goes back to the main window",
         "COM4 busy, port 4", Screen::Main, {"frmWelcome.cmdUpdate", "frmErrorScaleCom2.cmdRetry"},
         "+frmWelcome +frmErrorScaleCom2 -frmWelcome +frmWelcome -frmErrorScaleCom2"},
    };
    // clang-format on
    for (const Row &row : rows)
        run(row);
}

// The version check shows the new-version window for any other version and offers Retry on a
// failure. (The update check's answers are the rows of tests/app/ChecksTest.cpp.)
TEST(Flow, TheMakersAnswers)
{
    const QString retry = "!An error occurred while trying to check latest version of PC Program";
    const QString shown = "+frmWelcome +frmVersion";
    const auto latest = [](const char *text) {
        return [text](TestPlatform &) {
            EXPECT_EQ(label("frmVersion", "lblLatest"), text);
        };
    };
    // clang-format off
    const Row rows[] = {
        {"the same version", "version 5.0", Screen::Main, {}, "+frmWelcome"},
        {"a newer one", "version 5.1", Screen::Main, {}, shown, latest("Version 5.1")},
        {"one that begins with ours", "version 5.0.1", Screen::Main, {}, shown},
        {"another spelling", "version 5.00", Screen::Main, {}, shown},
        {"a dead server, then Retry",
         "version 5.1, version fails Connection refused, box Ok, box Retry", Screen::Main, {},
         "+frmWelcome !Error: Connection refused " + retry + " +frmVersion"},
        {"no version at all", "version  , box Cancel", Screen::Main, {}, "+frmWelcome " + retry},
    };
    // clang-format on
    for (const Row &row : rows)
        run(row);
}

// What the user does while a question is out acts once the answer is in: a click on Update Scale
// during the version check moves on after the new-version window has come.
TEST(Flow, TheUsersInputWaitsForTheAnswer)
{
    TestPlatform test(Journey::options());
    Journey journey(test);
    journey.given("version 5.1, COM1 scale, port 1");
    // The update check's answer goes through; the version check's is held.
    test.maker.holdReplies = true;
    test.flow.goTo(Screen::Main);
    ASSERT_TRUE(QTest::qWaitFor([&] { return test.maker.repliesOut() == 1; }));
    test.maker.releaseReplies();
    test.maker.holdReplies = true;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return test.maker.asked(kVersion) == 1 && test.maker.repliesOut() == 1; }));
    QTest::mouseClick(button("frmWelcome", "cmdUpdate"), Qt::LeftButton);
    testing_support::processEvents();
    EXPECT_FALSE(isShown("frmCheckScale")) << "nothing happens while the answer is out";
    test.maker.releaseReplies();
    EXPECT_TRUE(QTest::qWaitFor([] { return isShown("frmVersion"); }));
    EXPECT_TRUE(QTest::qWaitFor([] { return isShown("frmCheckScale"); }))
        << "the click acted after the answer";
}

TEST(Flow, TheMainWindowsOtherWays)
{
    const auto opened = [](QString address) {
        return [address](TestPlatform &t) {
            EXPECT_EQ(t.shell.opened, QStringList {address});
        };
    };
    const QString noApplication = "!No application is associated with this file type";
    // clang-format off
    const Row rows[] = {
        {"the manual goes to the browser", "", Screen::Main, {"frmWelcome.cmdDownload"},
        "+frmWelcome",
         opened(net::MakerAddresses::built().manualUrl())},
        {"a failed opening is told, and the busy cursor goes",
         "shell fails, box Ok", Screen::Main, {"frmWelcome.cmdDownload"},
         "+frmWelcome " + noApplication,
         [](TestPlatform &) { EXPECT_EQ(topLevel("frmWelcome")->cursor().shape(),
         Qt::ArrowCursor); }},
        {"help minimises the main window until its close, Esc or close box", "", Screen::Main,
         {"frmWelcome.cmdHelp", "frmHelp.cmdClose", "frmWelcome.cmdHelp", "frmHelp.Esc",
          "frmWelcome.cmdHelp", "frmHelp.close"},
         "+frmWelcome +frmHelp -frmHelp +frmHelp -frmHelp +frmHelp -frmHelp",
         [](TestPlatform &) { EXPECT_FALSE(topLevel("frmWelcome")->isMinimized()); }},
        {"the help window's link opens the product page; a failure is not told",
         "shell fails", Screen::Help, {"frmHelp.lblWebsite"}, "+frmHelp",
         opened(net::MakerAddresses::built().productPageUrl())},
        {"a newer version: its close box asks about its download, and Yes closes only it",
         "version 5.1, quit Cancel, quit Yes", Screen::Main, {"frmVersion.close",
         "frmVersion.close"},
         "+frmWelcome +frmVersion leave@frmVersion leave@frmVersion -frmVersion"},
        {"a newer version: its Exit asks too, without blocking the other windows",
         "version 5.1, quit Yes", Screen::Main, {"frmVersion.cmdExit"},
         "+frmWelcome +frmVersion leave@frmVersion -frmVersion",
         [](TestPlatform &t) { EXPECT_FALSE(t.dialogs.quitsModal().at(0)); }},
        {"a newer version's download goes to the browser; the update's window asks to quit",
         "version 5.1, COM3 scale, port 3, quit Cancel", Screen::Main,
         {"frmWelcome.cmdUpdate", "frmVersion.cmdDownloadPCProg"},
         "+frmWelcome +frmVersion +frmCheckScale -frmWelcome quit@frmCheckScale -frmVersion",
         opened(net::MakerAddresses::built().installerUrl())},
        {"a newer version whose download cannot be opened: told, and the window closes",
         "version 5.1, shell fails, box Ok", Screen::Main, {"frmVersion.cmdDownloadPCProg"},
         "+frmWelcome +frmVersion " + noApplication + " -frmVersion"},
    };
    // clang-format on
    for (const Row &row : rows)
        run(row);
}

TEST(Flow, UpdatingTheScale)
{
    const QString success = "-frmDisplay +frmSuccessUpdate";
    const auto isUpdated = [](TestPlatform &t) {
        EXPECT_TRUE(updated(t));
    };
    const auto unplugAtTheVerifyOf8000 = [](TestPlatform &t) {
        t.serial.scale(1)->setFrameObserver([&t](const vs::FrameRecord &record) {
            if (record.command == vs::kReadBlock && record.address == 0x8000) {
                t.clock.scheduleIn(1, [&t] {
                    g_unpluggedAt = t.clock.nowMs();
                    t.serial.unplug(1);
                });
            }
        });
    };
    const auto everyToolWhileWriting = [](TestPlatform &t) {
        t.serial.scale(1)->setFrameObserver([&t](const vs::FrameRecord &record) {
            if (record.command != vs::kProgramBlock || record.address != 0x4000)
                return;
            t.clock.scheduleIn(0, [] {
                QWidget *window = topLevel("frmDisplay");
                activate(window);
                button("frmDisplay", "Program")->click();
                button("frmDisplay", "Read")->click();
                window->findChild<QAction *>("mnuLoad")->trigger();
                window->findChild<QAction *>("mnuComm2")->trigger();
            });
        });
    };
    const QString updates = "+frmDisplay " + kRmUpdate + ' ' + success;
    // A refused file: nothing at all went to the scale.
    const auto untouched = [](TestPlatform &t) {
        EXPECT_TRUE(t.serial.scale(1)->frames().empty());
    };
    // clang-format off
    const Row rows[] = {
        {"the shown window updates the scale and hands over; Exit ends and deletes the files",
         "COM1 scale, port 1, update file", Screen::Downloaded, {"frmSuccess.cmdUpdate",
         "frmSuccessUpdate.cmdExit"},
         "+frmSuccess +frmDisplay -frmSuccess " + kRmUpdate + ' ' + success + ' ' + kRmBanner
             + " end",
         [](TestPlatform &t) {
             EXPECT_TRUE(updated(t));
             EXPECT_FALSE(t.serial.isOpen(1));
             // The run's record, as the command line's: the scale, its port, its file's key.
             const QJsonObject record = lastRecord(t);
             EXPECT_EQ(record.value("outcome").toString(), QStringLiteral("updated"));
             EXPECT_EQ(record.value("serial").toString(), QStringLiteral("20231187"));
             EXPECT_EQ(record.value("port").toString(), QStringLiteral("COM1"));
             EXPECT_EQ(record.value("key").toString(), core::keyIdText(t.trusted.first().id));
         }},
        {"a downloaded window's close asks; Update on a port that will not open meets silence",
         "COM4 busy, port 4, update file, quit Cancel", Screen::Downloaded, {"frmSuccess.close",
         "frmSuccess.cmdUpdate"},
         "+frmSuccess quit@frmSuccess +frmDisplay -frmSuccess +frmErrorScaleCom"},
        {"an unsigned file asks first; No writes nothing and the window stays",
         "COM1 scale, port 1, update file unsigned, box No", Screen::ScaleUpdate, {},
         "+frmDisplay !This update file does not carry Kovara's signature", untouched},
        {"an unsigned file, Yes: the update goes on as with a signed one",
         "COM1 scale, port 1, update file unsigned, box Yes", Screen::ScaleUpdate, {},
         "+frmDisplay !This update file does not carry Kovara's signature "
         "rm:KovaraNorvessia_APROM.hex " + success, isUpdated},
        {"a file changed after it was signed is refused, and it and its signature go",
         "COM1 scale, port 1, update file changed after signing, box Ok", Screen::ScaleUpdate,
         {}, "+frmDisplay !The update file was changed after Kovara signed it " + kRmUpdate,
         untouched},
        {"a lost serial-number answer is read again, not taken for a refusal",
         "COM1 scale, fault ignore B4 @0700 x2, port 1, update file", Screen::ScaleUpdate, {},
         updates, isUpdated},
        {"a scale that answers no serial-number read: the error window, no session opened",
         "COM1 scale, fault ignore B4 @0700 x4, port 1, update file", Screen::ScaleUpdate, {},
         "+frmDisplay +frmErrorScaleCom",
         [](TestPlatform &t) {
             const auto &frames = t.serial.scale(1)->frames();
             ASSERT_EQ(frames.size(), 4u);
             EXPECT_LT(t.clock.nowMs() - frames.front().atMs,
             4 * device::ScaleLink::kReplyTimeoutMs + 1000);
             // An activation the window system sent before the window was hidden runs nothing.
             activate(topLevel("frmDisplay"));
             EXPECT_TRUE(t.scale.findChildren<device::ScaleJob *>().isEmpty());
         }},
        quitAtBlock100(vs::kProgramBlock,
                       "Yes while the scale is written: the run stops after its frame, closes, "
                       "then ends"),
        quitAtBlock100(vs::kReadBlock, "Yes while the blocks are verified: the same"),
        {"a refused session leaves the window for its tools; one run per showing",
         "COM1 scale, fault refuse 1E always, port 1, update file, box Ok, quit Cancel, "
         "quit Cancel",
         Screen::ScaleUpdate, {"frmDisplay.activate", "frmDisplay.close", "frmDisplay.mnuFileExit"},
         "+frmDisplay !Serial number wrong quit@frmDisplay quit@frmDisplay",
         [](TestPlatform &t) { EXPECT_EQ(t.serial.scale(1)->frames().size(), 1u + 4u); }},
        {"a silent scale: the error window; Retry runs the whole update again",
         "COM1 scale, fault ignore 1E x4, port 1, update file", Screen::ScaleUpdate,
         {"frmErrorScaleCom.cmdRetry"},
         "+frmDisplay +frmErrorScaleCom +frmDisplay -frmErrorScaleCom " + kRmUpdate + ' ' + success,
         isUpdated},
        {"a missing update file leaves the scale untouched",
         "COM1 scale, port 1, box Ok", Screen::ScaleUpdate, {},
         "+frmDisplay !The update file cannot be used",
         [](TestPlatform &t) { EXPECT_TRUE(t.serial.sent(1).isEmpty()); }},
        {"nothing the user does starts a second run inside the first",
         "COM1 scale, fault late C3 50, COM2 empty, port 1, update file", Screen::ScaleUpdate, {},
         updates,
         [](TestPlatform &t) {
             EXPECT_TRUE(updated(t));
             EXPECT_EQ(t.serial.opens(2), 0);
             EXPECT_EQ(t.serial.scale(1)->frames().size(), 1u + 1u + 512u + 512u + 1u);
         },
         everyToolWhileWriting},
        {"a port that goes away mid-run ends on the error window at once",
         "COM1 scale, fault late B4 20, port 1, update file", Screen::ScaleUpdate, {},
         "+frmDisplay +frmErrorScaleCom",
         [](TestPlatform &t) { EXPECT_LT(t.clock.nowMs() - g_unpluggedAt, 100); },
         unplugAtTheVerifyOf8000},
        {"closing the success window early ends the program and deletes the files",
         "update file", Screen::Updated, {"frmSuccessUpdate.close"},
         "+frmSuccessUpdate " + kRmUpdate + ' ' + kRmBanner + " end"},
    };
    // clang-format on
    for (const Row &row : rows)
        run(row);
}

// The update window's service tools, once the automatic run has stopped on a missing update file:
// the page view and its buttons, the port menu, the read-back of either area, and the serial
// number registered by hand or changed in the scale.
TEST(Flow, TheScaleWindowsServiceTools)
{
    const QString shown = "+frmDisplay !The update file cannot be used";
    // LDROM read, the serial number registered, APROM read.
    const QStringList readBoth = {"frmDisplay.LDROM",
                                  "frmDisplay.Read",
                                  "frmDisplay.mnuRSN",
                                  "frmDisplay.APROM",
                                  "frmDisplay.Read"};
    const auto page = [](TestPlatform &) {
        return topLevel("frmDisplay")->findChild<QPlainTextEdit *>("txtPage")->toPlainText();
    };
    const auto enabled = [](const char *name) {
        return topLevel("frmDisplay")->findChild<QWidget *>(name)->isEnabled();
    };
    const auto menuText = [](const char *name) {
        return topLevel("frmDisplay")->findChild<QAction *>(name)->text();
    };
    // clang-format off
    const Row rows[] = {
        {"the page buttons walk the four pages of 16 KiB and stop at the last",
         "COM1 scale, port 1, box Ok", Screen::ScaleUpdate,
         {"frmDisplay.down", "frmDisplay.down", "frmDisplay.down", "frmDisplay.down"}, shown,
         [&](TestPlatform &t) {
             EXPECT_TRUE(page(t).startsWith("C000  FF FF ")) << page(t).left(60).toStdString();
             EXPECT_FALSE(enabled("down"));
             EXPECT_TRUE(enabled("up"));
         }},
        {"and back to the first", "COM1 scale, port 1, box Ok", Screen::ScaleUpdate,
         {"frmDisplay.down", "frmDisplay.up", "frmDisplay.up"}, shown,
         [&](TestPlatform &t) {
             EXPECT_TRUE(page(t).startsWith("0000  FF FF "));
             EXPECT_FALSE(enabled("up"));
         }},
        {"the port menu moves the port and ticks it",
         "COM1 scale, COM2 empty, port 1, box Ok", Screen::ScaleUpdate, {"frmDisplay.mnuComm2"},
         shown,
         [&](TestPlatform &t) {
             EXPECT_TRUE(t.serial.isOpen(2));
             EXPECT_EQ(t.scale.portNumber(), 2);
             EXPECT_EQ(menuText("mnuComm1"), "   COM1   ");
             EXPECT_EQ(menuText("mnuComm2"), "-> COM2 <-");
         }},
        {"a port of the menu that will not open says why",
         "COM1 scale, COM2 busy, port 1, box Ok, box Ok", Screen::ScaleUpdate,
         {"frmDisplay.mnuComm2"},
         shown + " !COM2 is in use by another program",
         [&](TestPlatform &t) {
             EXPECT_FALSE(t.serial.isOpen(1) || t.serial.isOpen(2));
             EXPECT_EQ(menuText("mnuComm2"), "-> COM2 <-");
         }},
        {"both areas read back into the page view; APROM opens with the number registered",
         "COM1 scale, port 1, box Ok, box Ok, type 20231187, box Ok", Screen::ScaleUpdate, readBoth,
         shown + " !LDROM Read suceessfully input !APROM Read successfully",
         [&](TestPlatform &t) {
             core::FlashImage flash;
             for (int a = 0; a < flash.kSize; ++a)
                 flash.set(a, quint8(t.serial.scale(1)->flash().at(a)));
             EXPECT_EQ(page(t), core::pageText(flash, 0).replace("\r\n", "\n"));
         }},
        {"a silent scale is only noted by LDROM; APROM ends on the error window, closed",
         "COM1 scale, fault ignore B4 always, port 1, box Ok, type 20231187", Screen::ScaleUpdate,
         readBoth,
         shown + " input +frmErrorScaleCom",
         [](TestPlatform &t) {
             EXPECT_TRUE(t.serial.sent(1).endsWith("\x4B"));
             EXPECT_FALSE(isShown("frmDisplay"));
         }},
        {"Register SN asks until eight digits; the next session opens with that number",
         "COM1 scale, port 1, box Ok, type 1234567, box Ok, type 1234567a, box Ok, "
         "type 87654321, box Ok",
         Screen::ScaleUpdate, {"frmDisplay.mnuRSN", "frmDisplay.APROM", "frmDisplay.Read"},
         shown + " input !input wrong input !input wrong input !Serial number wrong",
         [](TestPlatform &t) {
             EXPECT_TRUE(t.serial.sent(1).startsWith(QByteArray::fromHex("1E87654321")));
         }},
    };
    // clang-format on
    for (const Row &row : rows)
        run(row);
}

// Change SN stores the four bytes in order, each tried twice, and says how it went.
TEST(Flow, ChangeSNStoresTheFourBytesAndSaysHowItWent)
{
    const QByteArray first = QByteArray::fromHex("5A070031");
    const QByteArray all = first + QByteArray::fromHex("5A070141 5A070259 5A070326");
    const struct
    {
        const char *fault;
        QString message;
        QByteArray sent;
    } rows[] = {
        {"", "Modify Password successfully", all},
        {", fault refuse 5A x1", "Modify Password successfully", first + all},
        {", fault refuse 5A x2", "Error", first + first},
        {", fault ignore 5A always", "Timer Out", first + first},
    };
    for (const auto &row : rows) {
        const bool changed = row.message.startsWith("Modify");
        run({row.fault,
             QStringLiteral("COM1 scale=11111111%1, port 1, box Ok, type 31415926, box Ok")
                 .arg(row.fault),
             Screen::ScaleUpdate,
             {"frmDisplay.mnuSSN"},
             "+frmDisplay !The update file cannot be used input !" + row.message,
             [&](TestPlatform &t) {
                 EXPECT_EQ(t.serial.sent(1), row.sent);
                 EXPECT_EQ(t.serial.scale(1)->serialNumber(), changed ? "31415926" : "11111111");
             }});
    }
}
