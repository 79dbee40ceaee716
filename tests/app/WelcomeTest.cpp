// The main window: the two checks it comes with, Update Scale with a scale that answers and one
// that does not, the quit question from the new-version window, the manual, the installer link
// and help.

#include "LogCapture.h"
#include "WizardPlatform.h"

#include "app/QuitQuestion.h"
#include "device/ScaleProgrammer.h"
#include "net/MakerAddresses.h"
#include "platform/Files.h"
#include "ui/HelpWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kHelp = QStringLiteral("frmHelp");
const QString kVersion = QStringLiteral("frmVersion");

bool quitQuestionShown()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](const QWidget *window) {
        return window->objectName() == QLatin1String("frmQuit") && window->isVisible();
    });
}

using Answer = testing_support::QuitAnswers::Answer;

using State = testing_support::VirtualScaleSerial::PortState;
using testing_support::processEvents;

const QString kScaleQuestion = QStringLiteral("Are you sure you want to quit updating your scale?");
const QString kVersionQuestion = QStringLiteral(
    "Are you sure you do not want to download the latest version of Kovara PC Program?");

class MainWindow : public ::testing::Test
{
protected:
    // The caption and the question of each quit question asked (answered Cancel unless queued).
    QStringList asked() const
    {
        QStringList texts;
        for (const auto &question : test.quit.asked)
            texts << question.title + QLatin1Char('|') + question.text;
        return texts;
    }

    // Shows the main window and waits for its version check to end.
    void runVersionCheck()
    {
        showMain();
        ASSERT_TRUE(QTest::qWaitFor([this] { return test.maker.asked("CurrentVersion") > 0; }));
        test.waitForChecks();
    }
    void showMain()
    {
        test.flow.goTo(UpdateFlow::Screen::Main);
        test.waitForChecks();
    }
    static QWidget *main() { return testing_support::topLevel(QStringLiteral("frmWelcome")); }
    static QAbstractButton *mainButton(const char *name)
    {
        return testing_support::button(QStringLiteral("frmWelcome"), QString::fromLatin1(name));
    }

    testing_support::WizardPlatform test;
    // The new-version window, or nullptr.
    static QWidget *version()
    {
        return testing_support::isShown(kVersion) ? testing_support::topLevel(kVersion) : nullptr;
    }
    static QAbstractButton *versionButton(const char *name)
    {
        return testing_support::button(kVersion, QString::fromLatin1(name));
    }
};

TEST_F(MainWindow, TheFirstPortSearchRunsBothChecksBeforeTheMainWindowShows)
{
    // A scale whose number is no serial number: the search reads it and goes on, finding none.
    virtual_scale::VirtualScale &scale = test.serial.addScale(1, QStringLiteral("1234567A"));
    int askedAtTheScale = -1;
    scale.setFrameObserver([&](const virtual_scale::FrameRecord &) {
        askedAtTheScale = test.maker.asked("SoftwareUpdate");
    });
    test.flow.goTo(UpdateFlow::Screen::PortSearch);
    testing_support::button(QStringLiteral("frmChoosePort"), QStringLiteral("cmdContinue"))
        ->click();
    test.waitForChecks();
    scale.setFrameObserver(nullptr);
    EXPECT_EQ(askedAtTheScale, 1) << "the update check runs before the search reads the scale";
    EXPECT_EQ(test.maker.asked("CurrentVersion"), 0) << "half a second after the update check";
    ASSERT_TRUE(QTest::qWaitFor([this] { return test.maker.asked("CurrentVersion") == 1; }));
    EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmWelcome")))
        << "both ran before the main window shows";

    // Back again after Retry on the error window: a fresh update check, no second version check.
    showMain();
    EXPECT_EQ(main()->findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
              QStringLiteral("Kovara PC Program Version 5.0"));
    QTest::qWait(700);
    EXPECT_EQ(test.maker.asked("SoftwareUpdate"), 1) << "the same main window";
    EXPECT_EQ(test.maker.asked("CurrentVersion"), 1);
}

TEST_F(MainWindow, CancelledCloseInTheFirstHalfSecondStopsTheVersionCheckAndTheBlink)
{
    test.maker.setUpdate(QStringLiteral("Y"));
    showMain();
    EXPECT_FALSE(main()->close());
    QTest::qWait(700);
    EXPECT_EQ(asked(), QStringList {QStringLiteral("Quit PC Program|") + kScaleQuestion});
    EXPECT_TRUE(main()->isVisible());
    EXPECT_FALSE(main()->findChild<QTimer *>(QStringLiteral("Timer2"))->isActive());
    EXPECT_EQ(test.maker.asked("CurrentVersion"), 0);
    EXPECT_FALSE(test.process.terminated());
}

class UpdateScale : public MainWindow
{
protected:
    // The main window as the port search leaves it: the scale's port chosen, closed.
    void showMainWindow(int port)
    {
        test.scale.setPortNumber(port);
        showMain();
    }
};

TEST_F(UpdateScale, AScaleThatAnswersLeadsToTheUpdateFileWindow)
{
    // Only an answer is needed here, not a valid serial number.
    for (auto [port, serial] : {std::pair {3, "12345678"}, {5, "12AB5678"}}) {
        SCOPED_TRACE(serial);
        // Its answer takes a while, as on a real line.
        test.serial.addScale(port, QString::fromLatin1(serial))
            .addFault(virtual_scale::Fault::late(virtual_scale::kReadBlock, 50));
        showMainWindow(port);
        mainButton("cmdUpdate")->click();

        ASSERT_TRUE(testing_support::isShown(QStringLiteral("frmCheckScale")));
        EXPECT_TRUE(testing_support::topLevel(QStringLiteral("frmCheckScale"))
                        ->findChild<QLabel *>(QStringLiteral("lblSerial"))
                        ->text()
                        .endsWith(QString::fromLatin1(serial)));
        testing_support::processEvents();
        EXPECT_FALSE(main());
        EXPECT_TRUE(test.scale.isOpen()) << "left open for the next steps";
        EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmErrorScaleCom2")));

        test.scale.close();
    }
}

TEST_F(UpdateScale, AScaleThatCannotBeReadLeadsToTheErrorWindow)
{
    test.serial.addPort(3, State::Empty);
    test.serial.addPort(4, State::Busy);
    for (int port : {3, 4}) {
        SCOPED_TRACE(port);
        testing_support::LogCapture log("kovara.welcome");
        showMainWindow(port);
        mainButton("cmdUpdate")->click();

        EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmErrorScaleCom2")));
        EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmWelcome")));
        EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmCheckScale")));
        EXPECT_TRUE(test.dialogs.boxes().empty()) << "the error window says it, no box";
        ASSERT_EQ(log.lines().size(), 1);
        if (port == 4) {
            EXPECT_TRUE(log.lines()[0].contains(QStringLiteral("COM4 is in use")))
                << log.lines()[0].toStdString();
        }

        test.scale.close();
    }
}

TEST_F(UpdateScale, ASecondPressWhileTheScaleIsReadIsIgnored)
{
    test.serial.addScale(3, QStringLiteral("12345678"))
        .addFault(virtual_scale::Fault::late(-1, 500));
    showMainWindow(3);
    int nested = 0;
    test.clock.scheduleIn(1, [&] {
        ++nested;
        if (QAbstractButton *button = mainButton("cmdUpdate"))
            button->click();
    });
    mainButton("cmdUpdate")->click();
    EXPECT_EQ(nested, 1);
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmCheckScale")));
    EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmErrorScaleCom2")));
}

class NewVersionWindow : public MainWindow
{
protected:
    void SetUp() override
    {
        test.maker.setVersion(QStringLiteral("5.1"));
        runVersionCheck();
        ASSERT_TRUE(version());
        version()->activateWindow();
        processEvents();
    }
};

TEST_F(NewVersionWindow, ItsCloseBoxAsksAboutTheDownloadAndYesClosesOnlyIt)
{
    // The question takes the focus from the window it asks for before the user answers.
    const auto takeTheFocus = [](QDialog &question) {
        question.activateWindow();
        processEvents();
    };
    test.quit.answer(Answer::Cancel, takeTheFocus);
    QWidget *window = version();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(version());
    ASSERT_EQ(test.quit.asked.size(), 1);
    EXPECT_EQ(test.quit.asked.at(0).over, window);

    test.quit.answer(Answer::Yes, takeTheFocus);
    test.touchWorkingFile(QString::fromLatin1(platform::kUpdateFileName));
    window->activateWindow();
    processEvents();
    window->close();
    EXPECT_EQ(asked(),
              (QStringList {QStringLiteral("Exit Download|") + kVersionQuestion,
                            QStringLiteral("Exit Download|") + kVersionQuestion}));
    EXPECT_FALSE(version());
    EXPECT_FALSE(quitQuestionShown());
    EXPECT_FALSE(test.process.terminated());
    EXPECT_TRUE(platform::fileExists(test.files.updateFile())) << "nothing deleted";
    EXPECT_TRUE(main()->isVisible());
}

TEST_F(NewVersionWindow, ItsExitButtonAsksAboutTheDownloadWithoutBlockingTheOthers)
{
    test.quit.answer(Answer::Yes, [](QDialog &question) {
        question.activateWindow();
        processEvents();
    });
    versionButton("cmdExit")->click();
    EXPECT_TRUE(quitQuestionShown()) << "the button returns with the question open";
    processEvents();
    ASSERT_EQ(test.quit.asked.size(), 1);
    EXPECT_FALSE(test.quit.asked.at(0).modal);
    EXPECT_EQ(test.quit.asked.at(0).title, QStringLiteral("Exit Download"));
    EXPECT_FALSE(version());
    EXPECT_FALSE(quitQuestionShown());
    EXPECT_FALSE(test.process.terminated());
    EXPECT_TRUE(main()->isVisible());
}

TEST_F(NewVersionWindow, ExitButtonsAlwaysAskAboutTheScale)
{
    mainButton("cmdExit")->click();
    test.flow.goTo(UpdateFlow::Screen::ScaleMissing);
    testing_support::button(QStringLiteral("frmErrorScaleCom2"), QStringLiteral("cmdExit"))
        ->click();
    EXPECT_EQ(asked(),
              (QStringList {QStringLiteral("Quit PC Program|") + kScaleQuestion,
                            QStringLiteral("Quit PC Program|") + kScaleQuestion}));
}

// The update's window, if it is up, asks whether to quit the update for the new program.
TEST_F(NewVersionWindow, DownloadHandsTheInstallerToTheBrowserAndCloses)
{
    test.flow.goTo(UpdateFlow::Screen::UpdateFile);
    versionButton("cmdDownloadPCProg")->click();
    EXPECT_EQ(test.shell.opened, QStringList {maker::installerUrl()});
    EXPECT_FALSE(version());
    EXPECT_TRUE(test.dialogs.boxes().empty());
    EXPECT_EQ(asked(), QStringList {QStringLiteral("Quit PC Program|") + kScaleQuestion});
    EXPECT_EQ(test.quit.asked.front().over, testing_support::topLevel("frmCheckScale"));
}

TEST_F(NewVersionWindow, AFailedShellOpenIsToldAndTheWindowClosesAllTheSame)
{
    test.flow.goTo(UpdateFlow::Screen::UpdateFile);
    test.shell.result = platform::kShellNoAssociation;
    test.dialogs.answer(QMessageBox::Ok);
    versionButton("cmdDownloadPCProg")->click();
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_EQ(test.dialogs.boxes()[0].text,
              QStringLiteral("No application is associated with this file type."));
    EXPECT_EQ(test.dialogs.boxes()[0].title, QStringLiteral("Download Error"));
    EXPECT_EQ(test.dialogs.boxes()[0].icon, QMessageBox::Warning);
    EXPECT_FALSE(version());
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmCheckScale"))) << "the update goes on";
    EXPECT_TRUE(asked().isEmpty());
}

TEST_F(MainWindow, ManualButtonOpensTheManualOrSaysWhyNot)
{
    showMain();
    mainButton("cmdDownload")->click();
    EXPECT_EQ(test.shell.opened, QStringList {maker::manualUrl()});
    EXPECT_TRUE(test.dialogs.boxes().empty());

    test.shell.result = platform::kShellNoAssociation;
    test.dialogs.answer(QMessageBox::Ok);
    mainButton("cmdDownload")->click();
    EXPECT_EQ(test.dialogs.texts(),
              QStringList {QStringLiteral("No application is associated with this file type.")});
    EXPECT_EQ(test.dialogs.boxes()[0].title, QStringLiteral("Download Error"));
    EXPECT_TRUE(main()->isVisible());
    EXPECT_EQ(main()->cursor().shape(), Qt::ArrowCursor) << "the busy cursor is gone";
}

TEST_F(MainWindow, HelpMinimisesTheMainWindowUntilItCloses)
{
    showMain();
    const auto minimised = [] {
        return main()->isMinimized();
    };
    mainButton("cmdHelp")->click();
    ASSERT_TRUE(testing_support::isShown(kHelp));
    EXPECT_TRUE(minimised());
    testing_support::button(kHelp, QStringLiteral("cmdClose"))->click();
    EXPECT_FALSE(testing_support::isShown(kHelp));
    EXPECT_FALSE(minimised());

    mainButton("cmdHelp")->click();
    QTest::keyClick(testing_support::topLevel(kHelp), Qt::Key_Escape);
    EXPECT_FALSE(minimised()) << "Esc closes it too";
    mainButton("cmdHelp")->click();
    testing_support::topLevel(kHelp)->close();
    EXPECT_FALSE(minimised()) << "the close box restores it too";
}

TEST_F(MainWindow, HelpLinkOpensTheProductPageAndAFailureIsNotReported)
{
    test.flow.goTo(UpdateFlow::Screen::Help);
    test.shell.result = platform::kShellNoAssociation;
    QTest::mouseClick(testing_support::topLevel(kHelp)->findChild<QLabel *>("lblWebsite"),
                      Qt::LeftButton);
    EXPECT_EQ(test.shell.opened, QStringList {maker::productPageUrl()});
    EXPECT_TRUE(test.dialogs.boxes().empty());
    EXPECT_TRUE(testing_support::isShown(kHelp));
}

TEST_F(MainWindow, HelpTextsBreakTheLineWhereTheyHadARunOfBlanks)
{
    EXPECT_EQ(HelpWindow::layOut(QStringLiteral("a  b.  c       d")),
              QStringLiteral("a  b.  c\nd"));
}

// Every text of the three windows fits its control at the program's font.
TEST_F(MainWindow, NoTextIsClipped)
{
    test.maker.setVersion(QStringLiteral("5.1"));
    runVersionCheck();
    test.flow.goTo(UpdateFlow::Screen::Help);
    for (QWidget *window : {main(), version(), testing_support::topLevel(kHelp)}) {
        for (QLabel *label : window->findChildren<QLabel *>()) {
            if (label->text().isEmpty())
                continue;
            const int needed = label->wordWrap() ? label->heightForWidth(label->width())
                                                 : label->sizeHint().height();
            EXPECT_LE(needed, label->height())
                << window->objectName().toStdString() << ": " << label->text().toStdString();
            if (!label->wordWrap()) {
                EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
            }
        }
        for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
            EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
    }
}

} // namespace
