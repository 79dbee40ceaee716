// The update window's automatic run and its hand-over to the success and scale-error screens,
// the read-back buttons, and the quit question, with the virtual scale in virtual time.

#include "ScaleScreen.h"
#include "UpdateFile.h"
#include "WizardPlatform.h"

#include "app/QuitQuestion.h"
#include "device/Programming.h"
#include "device/ScaleProgrammer.h"
#include "platform/Files.h"

#include <QAbstractButton>
#include <QLoggingCategory>
#include <QTest>
#include <gtest/gtest.h>

constexpr auto OK = QMessageBox::Ok;
using virtual_scale::Fault;
namespace vs = virtual_scale;

namespace {

const QString kSerial = QStringLiteral("20231187");
const QString kUpdate = QString::fromLatin1(platform::kUpdateFileName);
const QString kBanner = QString::fromLatin1(platform::kBannerFileName);

// The transcript's info lines of one test.
class Transcript
{
public:
    Transcript()
    {
        s_lines.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("kovara.scale.link.info=true"));
        m_previous = qInstallMessageHandler(&Transcript::handler);
    }
    ~Transcript()
    {
        qInstallMessageHandler(m_previous);
        testing_support::quietLogging();
    }
    static QStringList lines() { return s_lines; }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type == QtInfoMsg && QByteArray(context.category) == "kovara.scale.link")
            s_lines << text;
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous;
};

class UpdateRun : public ::testing::Test
{
protected:
    UpdateRun()
    {
        writeFile(source);
        test.scale.setPortNumber(1);
        test.scale.open();
    }

    void writeFile(const QByteArray &image)
    {
        ASSERT_TRUE(testing_support::writeUpdateFile(test.files.updateFile(), image));
    }
    int frames(quint8 command, int address = -1) const
    {
        int n = 0;
        for (const vs::FrameRecord &record : scale.frames())
            n += record.command == command && (address < 0 || record.address == address);
        return n;
    }
    // The quit questions asked so far (all answered Cancel).
    int quitQuestions() const { return int(test.quit.asked.size()); }

    testing_support::WizardPlatform test;
    vs::VirtualScale &scale = test.serial.addScale(1, kSerial);
    testing_support::ScaleScreen display {test.flow};
    QByteArray source = testing_support::applicationImage();
};

TEST_F(UpdateRun, ShowingTheWindowUpdatesTheScaleAndHandsOverToTheSuccessScreen)
{
    Transcript transcript;
    scale.setTiming({true});
    display.show(); // the platform activates the window it shows, and that starts the run
    testing_support::processEvents();

    const QByteArray expected = testing_support::programmedImage(source, kSerial);
    EXPECT_EQ(scale.flash(), expected);
    EXPECT_EQ(frames(vs::kOpenSession), 1);
    // The closing byte had reached the scale when the window let its port go.
    ASSERT_EQ(scale.frames().back().command, vs::kCloseSession);
    EXPECT_LE(scale.frames().back().atMs, double(test.clock.nowMs()));

    EXPECT_FALSE(display.isVisible());
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmSuccessUpdate")));
    EXPECT_FALSE(platform::fileExists(test.files.updateFile()));
    EXPECT_TRUE(test.dialogs.boxes().empty());
    testing_support::processEvents();
    EXPECT_FALSE(test.scale.isOpen()) << "the port closes with the window";

    const QString crc = QStringLiteral("%1").arg(device::crc32(expected), 8, 16, QLatin1Char('0'));
    const QStringList done = transcript.lines().filter(QStringLiteral("updated and verified"));
    ASSERT_EQ(done.size(), 1);
    EXPECT_TRUE(done.at(0).startsWith(QStringLiteral("scale 20231187 updated and verified")));
    EXPECT_TRUE(done.at(0).contains(crc.toUpper())) << done.at(0).toStdString();
    EXPECT_TRUE(done.at(0).contains(QStringLiteral(", 71."))) << done.at(0).toStdString();
}

TEST_F(UpdateRun, NothingStartsASecondRunInsideTheFirst)
{
    test.serial.addPort(2, testing_support::VirtualScaleSerial::PortState::Empty);
    scale.setFrameObserver([&](const vs::FrameRecord &record) {
        if (record.command == vs::kProgramBlock && record.address == 0x4000) {
            test.clock.scheduleIn(0, [&] {
                display.activate(); // the user comes back from another window
                display.click("Program");
                display.click("Read");
                display.trigger("mnuLoad");
                display.trigger("mnuComm2");
            });
        }
    });
    scale.addFault(Fault::late(vs::kProgramBlock, 50));
    display.showAndActivate();
    EXPECT_EQ(frames(vs::kOpenSession), 1);
    EXPECT_EQ(frames(vs::kProgramBlock), 512);
    EXPECT_EQ(scale.flash(), testing_support::programmedImage(source, kSerial));
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmSuccessUpdate")));
    EXPECT_EQ(test.serial.opens(2), 0);
}

TEST_F(UpdateRun, RefusedSessionLeavesTheWindowReadyAndRunsOncePerShowing)
{
    scale.addFault(Fault::refuse(vs::kOpenSession, -1, vs::kAlways));
    test.dialogs.answer(OK);
    display.showAndActivate();
    EXPECT_EQ(test.dialogs.texts(), QStringList {"Serial number wrong"});
    EXPECT_EQ(test.dialogs.boxes().at(0).buttons, QMessageBox::Ok);
    EXPECT_EQ(frames(vs::kOpenSession), 4);
    EXPECT_TRUE(display.isVisible());
    EXPECT_FALSE(display.busy());
    EXPECT_FALSE(display.progressShown());
    EXPECT_EQ(display.label("lblStatus"),
              QStringLiteral("Updating scale with latest postage rates and services..."));

    display.activate();
    EXPECT_EQ(frames(vs::kOpenSession), 4) << "one run per showing";

    display.window()->hide();
    test.dialogs.answer(OK);
    display.showAndActivate();
    EXPECT_EQ(frames(vs::kOpenSession), 8);
}

TEST_F(UpdateRun, ALostSerialNumberAnswerIsReadAgainNotTakenForARefusal)
{
    // The first two reads of the serial number go unanswered.
    scale.setTiming({true});
    scale.addFault(Fault::ignore(vs::kReadBlock, 0x0700, 2));
    display.showAndActivate();
    EXPECT_EQ(frames(vs::kReadBlock, 0x0700), 3 + 1) << "three serial reads, then the verify";
    EXPECT_EQ(frames(vs::kOpenSession), 1);
    EXPECT_TRUE(test.dialogs.boxes().empty()) << test.dialogs.texts().join(" | ").toStdString();
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmSuccessUpdate")));
    EXPECT_EQ(scale.flash(), testing_support::programmedImage(source, kSerial));
}

TEST_F(UpdateRun, SilentSessionEndsOnTheErrorScreenWhoseRetryRunsTheWholeUpdateAgain)
{
    scale.addFault(Fault::ignore(vs::kOpenSession, -1, vs::kAlways));
    display.showAndActivate();
    EXPECT_EQ(frames(vs::kOpenSession), 4);
    QWidget *error = testing_support::topLevel(QStringLiteral("frmErrorScaleCom"));
    ASSERT_TRUE(error && error->isVisible());
    EXPECT_EQ(error->windowTitle(), QStringLiteral("Error Communicating with the Scale"));
    EXPECT_FALSE(display.isVisible());

    // Exit asks the quit question over the error screen; Cancel keeps it.
    testing_support::button(QStringLiteral("frmErrorScaleCom"), QStringLiteral("cmdExit"))->click();
    EXPECT_EQ(quitQuestions(), 1);
    EXPECT_TRUE(error->isVisible());

    // A new file and a scale that answers again: Retry starts over from loading the file.
    const QByteArray second = testing_support::applicationImage(2);
    writeFile(second);
    scale.clearFaults();
    testing_support::button(QStringLiteral("frmErrorScaleCom"), QStringLiteral("cmdRetry"))
        ->click();
    EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmErrorScaleCom")));
    EXPECT_TRUE(display.isVisible());
    display.activate();
    EXPECT_EQ(scale.flash(), testing_support::programmedImage(second, kSerial));
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmSuccessUpdate")));
    EXPECT_EQ(quitQuestions(), 1);
}

TEST_F(UpdateRun, APortThatGoesAwayEndsOnTheErrorScreenAtOnceAndClosingAsksNothing)
{
    qint64 unpluggedAt = 0;
    scale.setFrameObserver([&](const vs::FrameRecord &record) {
        if (record.command == vs::kReadBlock && record.address == 0x8000) {
            test.clock.scheduleIn(1, [&] {
                unpluggedAt = test.clock.nowMs();
                test.serial.unplug(1);
            });
        }
    });
    scale.addFault(Fault::late(vs::kReadBlock, 20));
    display.showAndActivate();
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmErrorScaleCom")));
    EXPECT_LT(test.clock.nowMs() - unpluggedAt, 100);
    EXPECT_EQ(quitQuestions(), 0);
}

TEST_F(UpdateRun, ClosingTheWindowAsksTheQuitQuestionAndKeepsIt)
{
    // The window after a run the scale refused, ready for its service tools.
    scale.addFault(Fault::refuse(vs::kOpenSession, -1, vs::kAlways));
    test.dialogs.answer(OK);
    display.showAndActivate();
    test.serial.clearRecords();
    EXPECT_FALSE(display.window()->close());
    display.trigger("mnuFileExit");
    EXPECT_EQ(quitQuestions(), 2);
    EXPECT_TRUE(display.isVisible());

    // Auto and Read under Run do nothing.
    display.trigger("mnuAuto");
    display.trigger("mnuRead");
    EXPECT_TRUE(test.serial.sent(1).isEmpty());
    EXPECT_EQ(test.dialogs.texts(), QStringList {"Serial number wrong"});
}

TEST_F(UpdateRun, AMissingUpdateFileLeavesTheScaleUntouched)
{
    platform::deleteFile(test.files.updateFile());
    test.dialogs.answer(OK);
    display.showAndActivate();
    EXPECT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_TRUE(test.serial.sent(1).isEmpty());
    EXPECT_TRUE(display.isVisible());
}

TEST_F(UpdateRun, ReadButtonsTellTheOutcomeOfEachArea)
{
    display.show();
    test.dialogs.answer(OK);
    display.click("LDROM");
    display.click("Read");
    // The session opens with the scale's serial number, registered by hand.
    test.dialogs.type(kSerial);
    display.trigger("mnuRSN");
    test.dialogs.answer(OK);
    display.click("APROM");
    display.click("Read");
    EXPECT_EQ(test.dialogs.texts(),
              (QStringList {
                  "LDROM Read suceessfully", "Input Serial Number ", "APROM Read successfully"}));
    core::FlashImage flash;
    for (int address = 0; address < scale.flash().size(); ++address)
        flash.set(address, quint8(scale.flash().at(address)));
    EXPECT_EQ(display.page(),
              core::pageText(flash, 0).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_FALSE(display.progressShown());
    EXPECT_FALSE(display.busy());

    // Blocks that time out: LDROM only notes it, APROM goes to the error screen.
    scale.addFault(Fault::ignore(vs::kReadBlock, -1, vs::kAlways));
    display.click("LDROM");
    display.click("Read");
    EXPECT_TRUE(display.isVisible());
    display.click("APROM");
    display.click("Read");
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmErrorScaleCom")));
    EXPECT_FALSE(display.isVisible());
    EXPECT_EQ(test.serial.sent(1).right(1), QByteArray("\x4B"));
    EXPECT_EQ(test.dialogs.boxes().size(), 3u);
}

TEST(SuccessScreen, ExitOrAnEarlyCloseEndsTheProgramAndDeletesTheWorkingFiles)
{
    for (bool early : {false, true}) {
        SCOPED_TRACE(early ? "closed early" : "Exit");
        testing_support::WizardPlatform test;
        test.touchWorkingFile(kUpdate);
        test.touchWorkingFile(kBanner);
        test.flow.goTo(UpdateFlow::Screen::Updated);
        QWidget *success = testing_support::topLevel(QStringLiteral("frmSuccessUpdate"));
        testing_support::activate(success);
        if (early) {
            success->close();
        } else {
            QAbstractButton *exit
                = success->findChild<QAbstractButton *>(QStringLiteral("cmdExit"));
            ASSERT_TRUE(QTest::qWaitFor([exit] { return exit->isVisible(); }));
            EXPECT_EQ(success->windowTitle(), QStringLiteral("Successful Scale Update"));
            EXPECT_FALSE(test.process.terminated());
            exit->click();
        }
        EXPECT_TRUE(test.process.terminated());
        EXPECT_FALSE(platform::fileExists(test.files.updateFile()));
        EXPECT_FALSE(platform::fileExists(test.files.bannerFile()));
        EXPECT_TRUE(test.quit.asked.isEmpty());
    }
}

} // namespace
