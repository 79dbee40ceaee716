// The wizard's journeys: each row sets up the scale's ports, the maker's answers and the user's
// answers, drives the windows by their controls from one screen, and states what the user meets
// in order (see Journey for the trace's words) and what the run leaves.

#include "Journey.h"
#include "LoggedServer.h"
#include "UpdateFile.h"

#include "net/MakerAddresses.h"

#include <QAction>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace testing_support;
using Screen = UpdateFlow::Screen;
using State = VirtualScaleSerial::PortState;
using Quit = QuitAnswers::Answer;
using virtual_scale::Fault;
namespace vs = virtual_scale;

qint64 g_unpluggedAt = 0;

struct Row
{
    const char *what;
    std::function<void(WizardPlatform &)> setup;
    Screen from;
    QStringList steps;
    QString trace;
    std::function<void(WizardPlatform &)> check = {};
};

void scaleOn(WizardPlatform &test, int port, const QString &serial = "20231187")
{
    test.serial.addScale(port, serial);
    test.scale.setPortNumber(port);
}

// The scale on COM1, opened, with an update file of the test's image waiting.
vs::VirtualScale &readyToUpdate(WizardPlatform &test)
{
    vs::VirtualScale &scale = test.serial.addScale(1, QStringLiteral("20231187"));
    test.scale.setPortNumber(1);
    EXPECT_TRUE(writeUpdateFile(test.files.updateFile(), applicationImage()));
    return scale;
}

bool updated(WizardPlatform &test)
{
    return test.serial.scale(1)->flash() == programmedImage(applicationImage(), "20231187");
}

void run(const Row &row, const QString &fileServer = {})
{
    SCOPED_TRACE(row.what);
    WizardPlatform test(Journey::options());
    test.touchWorkingFile(QString::fromLatin1(platform::kBannerFileName));
    if (row.setup)
        row.setup(test);
    Journey journey(test, fileServer);
    journey.run(row.from, row.steps);
    EXPECT_EQ(journey.trace(), row.trace);
    if (row.check)
        row.check(test);
}

} // namespace

TEST(Flow, StartUpAndQuitting)
{
    const Row rows[] = {
        {"the internet answers: on to the port search",
         {},
         Screen::StartUp,
         {},
         "+frmStartUp +frmChoosePort -frmStartUp"},
        {"no internet: the start-up stops behind the no-internet screen, whose OK ends it",
         [](WizardPlatform &t) { t.probe.reachable = false; },
         Screen::StartUp,
         {"frmNotConnected.cmdOkay"},
         "+frmStartUp +frmNotConnected end"},
        {"no internet: its close box ends the program too",
         [](WizardPlatform &t) { t.probe.reachable = false; },
         Screen::StartUp,
         {"frmNotConnected.close"},
         "+frmStartUp +frmNotConnected end"},
        {"a close while the check runs is asked once the check has ended; Cancel goes on",
         [](WizardPlatform &t) { t.probe.holdAnswer = true; },
         Screen::StartUp,
         {"frmStartUp.close", "probe"},
         "+frmStartUp quit@frmStartUp +frmChoosePort -frmStartUp",
         [](WizardPlatform &t) {
             EXPECT_EQ(t.probe.calls, 1);
         }},
        {"closing the start-up asks with the start-up stopped; Cancel goes on",
         [](WizardPlatform &t) {
             t.quit.answer(Quit::Cancel, [&t](QDialog &) {
                 QTest::qWait(20);
                 EXPECT_EQ(t.probe.calls, 0) << "the start-up went on under the question";
             });
             QTimer::singleShot(0, [] { topLevel("frmStartUp")->close(); });
         },
         Screen::StartUp,
         {},
         "+frmStartUp quit@frmStartUp +frmChoosePort -frmStartUp"},
        {"Yes to the quit question deletes the banner, then the update file, and ends",
         [](WizardPlatform &t) {
             t.touchWorkingFile(QString::fromLatin1(platform::kUpdateFileName));
             t.quit.answer(Quit::Yes);
         },
         Screen::PortSearch,
         {"frmChoosePort.close"},
         "+frmChoosePort quit@frmChoosePort rm:norvessiaupdatebanner.jpg "
         "rm:KovaraNorvessia_APROM.hex end"},
        {"every Exit and close box asks about the update; Cancel keeps the window",
         {},
         Screen::ScaleMissing,
         {"frmErrorScaleCom2.cmdExit", "frmErrorScaleCom2.close"},
         "+frmErrorScaleCom2 quit@frmErrorScaleCom2 quit@frmErrorScaleCom2",
         [](WizardPlatform &t) {
             EXPECT_TRUE(isShown("frmErrorScaleCom2"));
             EXPECT_TRUE(t.quit.asked.at(0).modal);
             EXPECT_TRUE(platform::fileExists(t.files.bannerFile()));
         }},
    };
    for (const Row &row : rows)
        run(row);
}

TEST(Flow, FindingTheScale)
{
    const Row rows[] = {
        {"ports in numeric order, the unopenable and the silent skipped, up to the scale",
         [](WizardPlatform &t) {
             t.serial.addScale(12, QStringLiteral("99999999"));
             t.serial.addScale(10, QStringLiteral("20231187"));
             t.serial.addPort(1, State::Empty);
             t.serial.addPort(4, State::Absent);
             t.serial.addPort(2, State::Busy);
             t.serial.addScale(3, QStringLiteral("12AB5678")); // not a serial number
         },
         Screen::PortSearch,
         {"frmChoosePort.cmdContinue"},
         "+frmChoosePort +frmWelcome -frmChoosePort",
         [](WizardPlatform &t) {
             for (auto [port, opens] : {std::pair {1, 1}, {2, 0}, {3, 1}, {10, 1}, {12, 0}})
                 EXPECT_EQ(t.serial.opens(port), opens) << "COM" << port;
             EXPECT_EQ(t.scale.portNumber(), 10);
             EXPECT_FALSE(t.scale.isOpen());
         }},
        {"no scale after the 10 s wait: the error window, whose Retry goes back to the search",
         [](WizardPlatform &t) { t.serial.addPort(1, State::Empty); },
         Screen::PortSearch,
         {"frmChoosePort.cmdContinue", "frmErrorScaleCom2.cmdRetry"},
         "+frmChoosePort +frmErrorScaleCom2 -frmChoosePort +frmChoosePort -frmErrorScaleCom2",
         [](WizardPlatform &t) {
             EXPECT_NEAR(double(t.clock.waitedMs()), 10'000.0, 600.0);
         }},
        {"a second Continue while the search runs starts nothing; the window shows it searches",
         [](WizardPlatform &t) {
             t.serial.addScale(2, QStringLiteral("20231187")).setTiming({true});
             t.clock.scheduleIn(30, [] {
                 EXPECT_EQ(topLevel("frmChoosePort")->cursor().shape(), Qt::WaitCursor);
                 EXPECT_EQ(topLevel("frmChoosePort")->windowTitle(),
                           QStringLiteral("Checking Scale Connection to Computer...."));
                 button("frmChoosePort", "cmdContinue")->click();
             });
         },
         Screen::PortSearch,
         {"frmChoosePort.cmdContinue"},
         "+frmChoosePort +frmWelcome -frmChoosePort",
         [](WizardPlatform &t) {
             EXPECT_EQ(t.serial.sent(2), QByteArray::fromHex("B40700"));
         }},
        {"ports the user may not open are explained once",
         [](WizardPlatform &t) {
             t.serial.addPort(1, State::Forbidden);
             t.serial.addPort(2, State::Empty);
             t.serial.addPort(3, State::Forbidden);
             t.dialogs.answer(QMessageBox::Ok);
         },
         Screen::PortSearch,
         {"frmChoosePort.cmdContinue"},
         "+frmChoosePort !No scale was found +frmErrorScaleCom2 -frmChoosePort",
         [](WizardPlatform &t) {
             const QString text = t.dialogs.boxes().at(0).text;
             EXPECT_TRUE(text.contains("You may not open COM1") && text.contains("COM3"));
         }},
        {"Update Scale reads the serial number and leaves the port open for the update",
         [](WizardPlatform &t) {
             scaleOn(t, 5, "12AB5678");
             t.serial.scale(5)->addFault(Fault::late(vs::kReadBlock, 50));
         },
         Screen::Main,
         {"frmWelcome.cmdUpdate"},
         "+frmWelcome +frmCheckScale -frmWelcome",
         [](WizardPlatform &t) {
             EXPECT_TRUE(topLevel("frmCheckScale")
                             ->findChild<QLabel *>("lblSerial")
                             ->text()
                             .endsWith("12AB5678"));
             EXPECT_TRUE(t.scale.isOpen());
         }},
        {"a second Update Scale while the scale is read is ignored",
         [](WizardPlatform &t) {
             scaleOn(t, 3);
             t.serial.scale(3)->addFault(Fault::late(-1, 500));
             t.clock.scheduleIn(1, [] { button("frmWelcome", "cmdUpdate")->click(); });
         },
         Screen::Main,
         {"frmWelcome.cmdUpdate"},
         "+frmWelcome +frmCheckScale -frmWelcome",
         [](WizardPlatform &t) {
             EXPECT_EQ(t.serial.sent(3), QByteArray::fromHex("B40700"));
         }},
        {"a scale that cannot be read: the error window, whose Retry goes back to the main window",
         [](WizardPlatform &t) {
             t.serial.addPort(4, State::Busy);
             t.scale.setPortNumber(4);
         },
         Screen::Main,
         {"frmWelcome.cmdUpdate", "frmErrorScaleCom2.cmdRetry"},
         "+frmWelcome +frmErrorScaleCom2 -frmWelcome +frmWelcome -frmErrorScaleCom2"},
    };
    for (const Row &row : rows)
        run(row);
}

TEST(Flow, TheMainWindowsOtherWays)
{
    const Row rows[] = {
        {"the manual goes to the browser",
         {},
         Screen::Main,
         {"frmWelcome.cmdDownload"},
         "+frmWelcome",
         [](WizardPlatform &t) {
             EXPECT_EQ(t.shell.opened, QStringList {maker::manualUrl()});
         }},
        {"a failed opening is told, and the busy cursor goes",
         [](WizardPlatform &t) {
             t.shell.result = platform::kShellNoAssociation;
             t.dialogs.answer(QMessageBox::Ok);
         },
         Screen::Main,
         {"frmWelcome.cmdDownload"},
         "+frmWelcome !No application is associated with this file type",
         [](WizardPlatform &) {
             EXPECT_EQ(topLevel("frmWelcome")->cursor().shape(), Qt::ArrowCursor);
         }},
        {"help minimises the main window until its close, Esc or close box",
         {},
         Screen::Main,
         {"frmWelcome.cmdHelp",
          "frmHelp.cmdClose",
          "frmWelcome.cmdHelp",
          "frmHelp.Esc",
          "frmWelcome.cmdHelp",
          "frmHelp.close"},
         "+frmWelcome +frmHelp -frmHelp +frmHelp -frmHelp +frmHelp -frmHelp",
         [](WizardPlatform &) {
             EXPECT_FALSE(topLevel("frmWelcome")->isMinimized());
         }},
        {"a newer version: its close box asks about its download, and Yes closes only it",
         [](WizardPlatform &t) {
             t.maker.setVersion(QStringLiteral("5.1"));
             t.quit.answer(Quit::Cancel);
             t.quit.answer(Quit::Yes);
         },
         Screen::Main,
         {"frmVersion.close", "frmVersion.close"},
         "+frmWelcome +frmVersion leave@frmVersion leave@frmVersion -frmVersion",
         [](WizardPlatform &t) {
             EXPECT_TRUE(platform::fileExists(t.files.bannerFile()));
             EXPECT_TRUE(isShown("frmWelcome"));
         }},
        {"a newer version: its Exit asks too, without blocking the other windows",
         [](WizardPlatform &t) {
             t.maker.setVersion(QStringLiteral("5.1"));
             t.quit.answer(Quit::Yes);
         },
         Screen::Main,
         {"frmVersion.cmdExit"},
         "+frmWelcome +frmVersion leave@frmVersion -frmVersion",
         [](WizardPlatform &t) {
             EXPECT_FALSE(t.quit.asked.at(0).modal);
         }},
        {"a newer version's download goes to the browser; the update's window asks to quit",
         [](WizardPlatform &t) {
             t.maker.setVersion(QStringLiteral("5.1"));
             scaleOn(t, 3);
         },
         Screen::Main,
         {"frmWelcome.cmdUpdate", "frmVersion.cmdDownloadPCProg"},
         "+frmWelcome +frmVersion +frmCheckScale -frmWelcome quit@frmCheckScale -frmVersion",
         [](WizardPlatform &t) {
             EXPECT_EQ(t.shell.opened, QStringList {maker::installerUrl()});
         }},
        {"a newer version whose download cannot be opened: told, and the window closes",
         [](WizardPlatform &t) {
             t.maker.setVersion(QStringLiteral("5.1"));
             t.shell.result = platform::kShellNoAssociation;
             t.dialogs.answer(QMessageBox::Ok);
         },
         Screen::Main,
         {"frmVersion.cmdDownloadPCProg"},
         "+frmWelcome +frmVersion !No application is associated with this file type -frmVersion"},
        {"the help window's link opens the product page; a failure is not told",
         [](WizardPlatform &t) { t.shell.result = platform::kShellNoAssociation; },
         Screen::Help,
         {"frmHelp.lblWebsite"},
         "+frmHelp",
         [](WizardPlatform &t) {
             EXPECT_EQ(t.shell.opened, QStringList {maker::productPageUrl()});
         }},
    };
    for (const Row &row : rows)
        run(row);
}

TEST(Flow, UpdatingTheScale)
{
    const Row rows[] = {
        {"the shown window updates the scale and hands over; Exit ends and deletes the files",
         [](WizardPlatform &t) { readyToUpdate(t); },
         Screen::Downloaded,
         {"frmSuccess.cmdUpdate", "frmSuccessUpdate.cmdExit"},
         "+frmSuccess +frmDisplay -frmSuccess rm:KovaraNorvessia_APROM.hex -frmDisplay "
         "+frmSuccessUpdate rm:norvessiaupdatebanner.jpg end",
         [](WizardPlatform &t) {
             EXPECT_TRUE(updated(t));
             EXPECT_FALSE(t.scale.isOpen());
         }},
        {"the update file's window and the downloaded window ask before they close",
         {},
         Screen::UpdateFile,
         {"frmCheckScale.cmdExit", "frmCheckScale.close"},
         "+frmCheckScale quit@frmCheckScale quit@frmCheckScale"},
        {"Update on a port that will not open: the run meets a silent scale",
         [](WizardPlatform &t) {
             t.serial.addPort(4, State::Busy);
             t.scale.setPortNumber(4);
             EXPECT_TRUE(writeUpdateFile(t.files.updateFile(), applicationImage()));
         },
         Screen::Downloaded,
         {"frmSuccess.close", "frmSuccess.cmdUpdate"},
         "+frmSuccess quit@frmSuccess +frmDisplay -frmSuccess +frmErrorScaleCom"},
        {"nothing the user does starts a second run inside the first",
         [](WizardPlatform &t) {
             t.serial.addPort(2, State::Empty);
             vs::VirtualScale &scale = readyToUpdate(t);
             scale.addFault(Fault::late(vs::kProgramBlock, 50));
             scale.setFrameObserver([&t](const vs::FrameRecord &record) {
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
         },
         Screen::ScaleUpdate,
         {},
         "+frmDisplay rm:KovaraNorvessia_APROM.hex -frmDisplay +frmSuccessUpdate",
         [](WizardPlatform &t) {
             EXPECT_TRUE(updated(t));
             EXPECT_EQ(t.serial.opens(2), 0);
             EXPECT_EQ(t.serial.scale(1)->frames().size(), 1u + 1u + 512u + 512u + 1u);
         }},
        {"a port that goes away mid-run ends on the error window at once",
         [](WizardPlatform &t) {
             vs::VirtualScale &scale = readyToUpdate(t);
             scale.addFault(Fault::late(vs::kReadBlock, 20));
             scale.setFrameObserver([&t](const vs::FrameRecord &record) {
                 if (record.command == vs::kReadBlock && record.address == 0x8000) {
                     t.clock.scheduleIn(1, [&t] {
                         g_unpluggedAt = t.clock.nowMs();
                         t.serial.unplug(1);
                     });
                 }
             });
         },
         Screen::ScaleUpdate,
         {},
         "+frmDisplay +frmErrorScaleCom",
         [](WizardPlatform &t) {
             EXPECT_LT(t.clock.nowMs() - g_unpluggedAt, 100);
         }},
        {"a lost serial-number answer is read again, not taken for a refusal",
         [](WizardPlatform &t) {
             readyToUpdate(t).addFault(Fault::ignore(vs::kReadBlock, 0x0700, 2));
         },
         Screen::ScaleUpdate,
         {},
         "+frmDisplay rm:KovaraNorvessia_APROM.hex -frmDisplay +frmSuccessUpdate",
         [](WizardPlatform &t) {
             EXPECT_TRUE(updated(t));
         }},
        {"a refused session leaves the window for its tools; one run per showing",
         [](WizardPlatform &t) {
             readyToUpdate(t).addFault(Fault::refuse(vs::kOpenSession, -1, vs::kAlways));
             t.dialogs.answer(QMessageBox::Ok);
         },
         Screen::ScaleUpdate,
         {"frmDisplay.activate", "frmDisplay.close", "frmDisplay.mnuFileExit"},
         "+frmDisplay !Serial number wrong quit@frmDisplay quit@frmDisplay",
         [](WizardPlatform &t) {
             EXPECT_EQ(t.serial.scale(1)->frames().size(), 1u + 4u);
         }},
        {"a silent scale: the error window; Retry runs the whole update again",
         [](WizardPlatform &t) {
             readyToUpdate(t).addFault(Fault::ignore(vs::kOpenSession, -1, 4));
         },
         Screen::ScaleUpdate,
         {"frmErrorScaleCom.cmdRetry"},
         "+frmDisplay +frmErrorScaleCom +frmDisplay -frmErrorScaleCom rm:KovaraNorvessia_APROM.hex "
         "-frmDisplay "
         "+frmSuccessUpdate",
         [](WizardPlatform &t) {
             EXPECT_TRUE(updated(t));
         }},
        {"a missing update file leaves the scale untouched",
         [](WizardPlatform &t) {
             readyToUpdate(t);
             platform::deleteFile(t.files.updateFile());
             t.dialogs.answer(QMessageBox::Ok);
         },
         Screen::ScaleUpdate,
         {},
         "+frmDisplay !The update file cannot be used",
         [](WizardPlatform &t) {
             EXPECT_TRUE(t.serial.sent(1).isEmpty());
         }},
        {"closing the success window early ends the program and deletes the files",
         [](WizardPlatform &t) {
             t.touchWorkingFile(QString::fromLatin1(platform::kUpdateFileName));
         },
         Screen::Updated,
         {"frmSuccessUpdate.close"},
         "+frmSuccessUpdate rm:KovaraNorvessia_APROM.hex rm:norvessiaupdatebanner.jpg end"},
    };
    for (const Row &row : rows)
        run(row);
}
