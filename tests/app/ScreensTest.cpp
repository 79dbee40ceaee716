// Every window of the program, in each state a user meets it, against the checked-in record
// tests/records/screens.txt (KOVARA_UPDATE_SNAPSHOT=1 rewrites it).

#include "ScreenRecord.h"
#include "TransferDouble.h"
#include "UpdateFile.h"
#include "WizardPlatform.h"

#include "app/frmCheckScale.h"
#include "app/frmChoosePort.h"
#include "app/frmDisplay.h"
#include "app/frmDownload.h"
#include "app/frmWelcome.h"
#include "device/ScaleProgrammer.h"
#include "platform/Files.h"
#include "platform/Services.h"
#include "query/modCheck.h"

#include <QDialog>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

namespace vs = virtual_scale;
using testing_support::describeWindow;
using Answer = testing_support::QuitAnswers::Answer;

QStringList record(const char *name, QWidget *window)
{
    return QStringList {QStringLiteral("[%1]").arg(QLatin1String(name))} + describeWindow(window)
        + QStringList {QString()};
}
QStringList record(const char *name, platform::Form &form)
{
    return record(name, form.window());
}

using Platform = testing_support::WizardPlatform;
using Transfer = testing_support::TransferDouble;

// Program runs that end in the states worth recording. Each gets a fresh set of doubles with a
// scale of serial number 20231187 on COM1, and adds the record of the windows it shows to `out`.
const std::function<void(Platform &, Transfer &, QStringList &out)> scenes[] = {
    [](Platform &test, Transfer &, QStringList &out) {
        test.flow.start();
        out << record("start-up", testing_support::topLevel("frmStartUp"));
    },
    [](Platform &test, Transfer &, QStringList &out) {
        test.flow.goTo(UpdateFlow::Screen::NotConnected);
        out << record("no internet connection", testing_support::topLevel("frmNotConnected"));
    },
    [](Platform &test, Transfer &, QStringList &out) {
        frmChoosePort &search = Forms::frmChoosePort();
        search.Show();
        out << record("port search", search);
        vs::VirtualScale &scale = *test.serial.scale(1);
        scale.setTiming({true});
        // The search reads the serial number once: the one frame it sends.
        scale.setFrameObserver([&](const vs::FrameRecord &) {
            test.clock.scheduleIn(0, [&] { out << record("port search, searching", search); });
        });
        search.cmdContinue->click();
        test.waitForChecks();
    },
    [](Platform &test, Transfer &, QStringList &out) {
        Forms::frmWelcome().Show();
        test.waitForChecks();
        out << record("main window", Forms::frmWelcome());
        test.flow.goTo(UpdateFlow::Screen::Help);
        out << record("help", testing_support::topLevel("frmHelp"));
    },
    [](Platform &test, Transfer &, QStringList &out) {
        test.maker.setUpdate(QStringLiteral("Y"));
        test.maker.serve(modCheck::BannerURL(), 200, testing_support::jpeg(300, 50));
        Forms::frmWelcome().Show();
        test.waitForChecks();
        out << record("main window with the update banner", Forms::frmWelcome());
    },
    [](Platform &test, Transfer &, QStringList &out) {
        test.maker.setVersion(QStringLiteral("5.1"));
        Forms::frmWelcome().Show();
        test.waitForChecks();
        for (int tick = 0; tick <= 10; ++tick)
            Forms::frmWelcome().Timer1->fire();
        test.waitForChecks();
        out << record("new version", testing_support::topLevel("frmVersion"));
        test.quit.answer(Answer::Cancel, [&out](QDialog &question) {
            out << record("quit question over the new version", &question);
        });
        testing_support::topLevel("frmVersion")->close();
    },
    [](Platform &test, Transfer &, QStringList &out) {
        Forms::frmChoosePort().Show();
        test.quit.answer(Answer::Cancel,
                         [&out](QDialog &question) { out << record("quit question", &question); });
        Forms::frmChoosePort().window()->close();
    },
    [](Platform &test, Transfer &transfer, QStringList &out) {
        Forms::frmCheckScale().Show();
        out << record("scale check", Forms::frmCheckScale());
        const QByteArray file(10240, 'x');
        transfer.answers.push_back(
            {QStringLiteral("HTTP/1.1 200 OK\r\nContent-Length: 10240\r\n\r\n"),
             {file.left(4096), file.mid(4096)}});
        transfer.beforeChunk = [&](int handedOut) {
            test.clock.advance(1000);
            if (handedOut == 1)
                out << record("download progress", Forms::frmDownload());
        };
        Forms::frmDownload().DownloadFile(QStringLiteral("http://downloads.test/a/u.hex"),
                                          platform::workingFile(QStringLiteral("\\u.hex")),
                                          {},
                                          {});
        test.flow.goTo(UpdateFlow::Screen::Downloaded);
        out << record("download done", testing_support::topLevel("frmSuccess"));
    },
    [](Platform &test, Transfer &, QStringList &out) {
        testing_support::writeUpdateFile(
            platform::workingFile(QString::fromLatin1(platform::kUpdateFileName)),
            testing_support::applicationImage());
        frmDisplay &display = Forms::frmDisplay();
        display.Load();
        out << record("scale update before the run", display);
        vs::VirtualScale &scale = *test.serial.scale(1);
        scale.setTiming({true});
        scale.setFrameObserver([&](const vs::FrameRecord &frame) {
            if (frame.command == vs::kProgramBlock && frame.address == 0x4000)
                test.clock.scheduleIn(
                    0, [&] { out << record("scale update during the run", display); });
        });
        display.scale().setPortNumber(1);
        display.scale().open();
        display.Show();
        display.Form_Activate();
        QWidget *success = testing_support::topLevel("frmSuccessUpdate");
        testing_support::activate(success);
        out << record("update success, at first", success);
        EXPECT_TRUE(
            QTest::qWaitFor([success] { return success->cursor().shape() != Qt::WaitCursor; }));
        out << record("update success", success);
    },
    [](Platform &test, Transfer &, QStringList &out) {
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
        Platform test({nullptr, false, {std::chrono::hours(1), std::chrono::milliseconds(1)}});
        testing_support::DoubleFactory factory;
        platform::install(&factory);
        test.serial.addScale(1, QStringLiteral("20231187"));
        Forms::frmCheckScale().setSerialNumber(QStringLiteral("20231187"));
        scene(test, factory.transfer(), lines);
        platform::install(static_cast<platform::HttpTransferFactory *>(nullptr));
    }
    const QString difference
        = testing_support::compareWithRecord(QStringLiteral("screens.txt"), lines.join('\n'));
    EXPECT_TRUE(difference.isEmpty()) << difference.toStdString();
}

} // namespace
