// Whole runs of the program's real windows in this process: the start-up window's ticks stepped,
// boxes and the quit question scripted, everything else real: QSerialPort over a pseudo-terminal
// to kovara-virtual-scale (unpaced), HTTP to the maker server tool on the dev build's maker port.
// Each run checks the screens in the order they were shown and how the run ended.

#include "FirmwareImage.h"
#include "LogCapture.h"
#include "MakerPort.h"
#include "VirtualScalePorts.h"
#include "WizardPlatform.h"

#include "app/QuitQuestion.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/SerialPort.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using testing_support::ScriptedDialogs;

namespace {

const QString kUpdateName = QStringLiteral("KovaraNorvessia_APROM.hex");
const QByteArray kSerial = "12345678";

// Lets the program run (its timers, the port, the transfer) until done() or the time is up.
bool runUntil(const std::function<bool()> &done, int timeoutMs = 20000)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

class WholeRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(lock.locked());
        // Real ports, real time, the maker's real query endpoint (the platform's options).
        QFile update(files.filePath(kUpdateName));
        ASSERT_TRUE(update.open(QIODevice::WriteOnly));
        update.write(testing_support::intelHex(image));
        update.close();
        server = std::make_unique<testing_support::MakerServerProcess>(
            8642, QStringList {"--quiet", "--files", files.path()});
        ASSERT_EQ(server->port(), 8642) << "the dev build's maker port 8642 is taken";
        ports.addDanglingPort(1);
    }

    QString address(const QString &route = QStringLiteral("/files/")) const
    {
        return server->url() + route + kUpdateName;
    }
    bool plugScale(const QStringList &extra = {})
    {
        return ports.startScale(3, QStringList {QStringLiteral("--serial"), kSerial} + extra);
    }

    // Steps: each ends on the window the user meets next.
    void startUp()
    {
        test.flow.start();
        ASSERT_TRUE(QTest::qWaitFor(
            [] { return testing_support::isShown(QStringLiteral("frmChoosePort")); }));
    }
    // The search and the serial-number read run on the scale's thread: each step waits for the
    // window it leads to.
    void searchPorts()
    {
        testing_support::button(QStringLiteral("frmChoosePort"), QStringLiteral("cmdContinue"))
            ->click();
        ASSERT_TRUE(runUntil([] {
            return testing_support::isShown(QStringLiteral("frmWelcome"))
                || testing_support::isShown(QStringLiteral("frmErrorScaleCom2"));
        })) << "the port search did not end";
    }
    // Start-up, the port search finding the scale, and Update Scale on the main window.
    void upToUpdateScale()
    {
        ASSERT_NO_FATAL_FAILURE(startUp());
        ASSERT_NO_FATAL_FAILURE(searchPorts());
        ASSERT_TRUE(testing_support::isShown(QStringLiteral("frmWelcome")));
        ASSERT_NO_FATAL_FAILURE(updateScale());
    }
    void updateScale()
    {
        testing_support::button(QStringLiteral("frmWelcome"), QStringLiteral("cmdUpdate"))->click();
        ASSERT_TRUE(runUntil([] {
            return testing_support::isShown(QStringLiteral("frmCheckScale"))
                || testing_support::isShown(QStringLiteral("frmErrorScaleCom2"));
        })) << "the serial-number read did not end";
        ASSERT_TRUE(testing_support::isShown(QStringLiteral("frmCheckScale")));
        EXPECT_EQ(updateFileWindow()->findChild<QLabel *>(QStringLiteral("lblSerial"))->text(),
                  QStringLiteral("Kovara Scale Serial Number:  12345678"));
    }
    static QWidget *updateFileWindow()
    {
        return testing_support::topLevel(QStringLiteral("frmCheckScale"));
    }
    // Types the address and presses Continue; ends with the download.
    void download(const QString &link)
    {
        QWidget *window = updateFileWindow();
        window->findChild<QLineEdit *>(QStringLiteral("txtLink"))->setText(link);
        window->findChild<QPushButton *>(QStringLiteral("cmdContinue"))->click();
        ASSERT_TRUE(runUntil([window] {
            return testing_support::isShown(QStringLiteral("frmSuccess")) || window->isEnabled();
        })) << "the download did not end";
    }
    // Update on "Successful Download"; ends when the programming run has handed over.
    void program()
    {
        QWidget *downloaded = downloadedWindow();
        ASSERT_TRUE(downloaded && downloaded->isVisible());
        downloaded->findChild<QPushButton *>(QStringLiteral("cmdUpdate"))->click();
        ASSERT_NO_FATAL_FAILURE(runAutomaticUpdate());
    }
    // The update window runs when it becomes the active window; the offscreen platform has no
    // window manager to activate it, so the test does what the user's click would.
    void runAutomaticUpdate()
    {
        ASSERT_TRUE(testing_support::isShown(QStringLiteral("frmDisplay")));
        testing_support::activate(testing_support::topLevel(QStringLiteral("frmDisplay")));
        ASSERT_TRUE(runUntil([] {
            return testing_support::isShown(QStringLiteral("frmSuccessUpdate"))
                || testing_support::isShown(QStringLiteral("frmErrorScaleCom"));
        })) << "the programming run did not end";
    }
    void finish()
    {
        QWidget *done = testing_support::topLevel(QStringLiteral("frmSuccessUpdate"));
        ASSERT_TRUE(done && done->isVisible());
        testing_support::activate(done);
        QAbstractButton *exit
            = testing_support::button(done->objectName(), QStringLiteral("cmdExit"));
        ASSERT_TRUE(QTest::qWaitFor([exit] { return exit->isVisible(); }));
        EXPECT_EQ(done->windowTitle(), QStringLiteral("Successful Scale Update"));
        exit->click();
        EXPECT_TRUE(test.process.terminated());
        EXPECT_FALSE(platform::fileExists(test.files.updateFile()));
        EXPECT_FALSE(platform::fileExists(test.files.bannerFile()));
        ports.stopScale(3);
        EXPECT_TRUE(ports.flash(3) == testing_support::withSerialNumber(image, kSerial))
            << "the scale's flash is not the update file's image with its serial number";
    }

    // Answers the quit question with Cancel (checking it is asked over owner), then expects the
    // window to be still there.
    void exitAndStay(const QWidget *window, const std::function<void()> &exit)
    {
        const std::string name = window->objectName().toStdString();
        const qsizetype before = test.quit.asked.size();
        test.quit.answer(testing_support::QuitAnswers::Answer::Cancel);
        exit();
        ASSERT_EQ(test.quit.asked.size(), before + 1) << name;
        EXPECT_EQ(test.quit.asked.last().over, window) << name;
        EXPECT_TRUE(window->isVisible()) << name;
        EXPECT_FALSE(test.process.terminated());
    }
    static QWidget *downloadedWindow()
    {
        return testing_support::topLevel(QStringLiteral("frmSuccess"));
    }

    testing_support::MakerPortLock lock;
    QNetworkAccessManager network;
    testing_support::WizardPlatform test {{&network, true}};
    testing_support::VirtualScalePorts ports;
    QTemporaryDir files;
    const QByteArray image = testing_support::scaleFirmwareImage();
    std::unique_ptr<testing_support::MakerServerProcess> server;
    // The windows shown not modal, in order, from the program's own log (the quit question is
    // checked where it is answered).
    QStringList screens() const
    {
        QStringList names;
        for (const QString &line : log.linesAfter(QStringLiteral("window shown: ")))
            names << line.section(QLatin1Char(' '), 0, 0);
        return names;
    }

    testing_support::LogCapture log {"kovara.forms", QStringLiteral("kovara.forms.info=true")};
};

const QStringList kHappyScreens = {"frmStartUp",
                                   "frmChoosePort",
                                   "frmWelcome",
                                   "frmCheckScale",
                                   "frmDownload",
                                   "frmSuccess",
                                   "frmDisplay",
                                   "frmSuccessUpdate"};

TEST_F(WholeRun, FromStartUpToSuccessfulScaleUpdateWithEveryQuitQuestionCancelled)
{
    ASSERT_TRUE(plugScale());
    ASSERT_NO_FATAL_FAILURE(startUp());
    exitAndStay(testing_support::topLevel(QStringLiteral("frmChoosePort")),
                [] { testing_support::topLevel(QStringLiteral("frmChoosePort"))->close(); });
    ASSERT_NO_FATAL_FAILURE(searchPorts());
    ASSERT_TRUE(testing_support::isShown(QStringLiteral("frmWelcome")));
    exitAndStay(testing_support::topLevel(QStringLiteral("frmWelcome")), [] {
        testing_support::button(QStringLiteral("frmWelcome"), QStringLiteral("cmdExit"))->click();
    });
    ASSERT_NO_FATAL_FAILURE(updateScale());
    exitAndStay(updateFileWindow(), [] {
        testing_support::button(QStringLiteral("frmCheckScale"), QStringLiteral("cmdExit"))
            ->click();
    });
    download(address());
    exitAndStay(downloadedWindow(), [] { downloadedWindow()->close(); });
    ASSERT_NO_FATAL_FAILURE(program());
    ASSERT_NO_FATAL_FAILURE(finish());
    EXPECT_EQ(screens(), kHappyScreens);
    EXPECT_TRUE(test.dialogs.boxes().empty()) << test.dialogs.texts().join(" | ").toStdString();
}

TEST_F(WholeRun, ASilentScaleLeadsToTheErrorWindowAndRetryFindsItBack)
{
    ASSERT_TRUE(plugScale({QStringLiteral("--silent")}));
    ASSERT_NO_FATAL_FAILURE(startUp());
    ASSERT_NO_FATAL_FAILURE(searchPorts()); // ten seconds of silence on COM3
    const QString error = QStringLiteral("frmErrorScaleCom2");
    ASSERT_TRUE(testing_support::isShown(error));
    exitAndStay(testing_support::topLevel(error),
                [&] { testing_support::button(error, QStringLiteral("cmdExit"))->click(); });

    ports.stopScale(3);
    ASSERT_TRUE(plugScale()); // switched on
    testing_support::button(error, QStringLiteral("cmdRetry"))->click();
    ASSERT_TRUE(testing_support::isShown(QStringLiteral("frmChoosePort")));
    ASSERT_NO_FATAL_FAILURE(searchPorts());
    ASSERT_TRUE(testing_support::isShown(QStringLiteral("frmWelcome")));
    ASSERT_NO_FATAL_FAILURE(updateScale());
    download(address());
    ASSERT_NO_FATAL_FAILURE(program());
    ASSERT_NO_FATAL_FAILURE(finish());
    EXPECT_EQ(screens(),
              QStringList({"frmStartUp",
                           "frmChoosePort",
                           "frmErrorScaleCom2",
                           "frmChoosePort",
                           "frmWelcome",
                           "frmCheckScale",
                           "frmDownload",
                           "frmSuccess",
                           "frmDisplay",
                           "frmSuccessUpdate"}));
}

TEST_F(WholeRun, AWrongAddressThenTheRightOneGoesOn)
{
    ASSERT_TRUE(plugScale());
    ASSERT_NO_FATAL_FAILURE(upToUpdateScale());
    test.dialogs.answer(QMessageBox::Ok);
    download(address(QStringLiteral("/fault/404/")));
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_EQ(test.dialogs.boxes().front().title, QStringLiteral("File Not Found"));
    QWidget *check = updateFileWindow();
    ASSERT_TRUE(check->isVisible());
    EXPECT_TRUE(check->isEnabled());
    EXPECT_EQ(check->findChild<QLineEdit *>(QStringLiteral("txtLink"))->text(),
              address(QStringLiteral("/fault/404/")));

    download(address());
    ASSERT_NO_FATAL_FAILURE(program());
    ASSERT_NO_FATAL_FAILURE(finish());
    EXPECT_EQ(screens(),
              QStringList({"frmStartUp",
                           "frmChoosePort",
                           "frmWelcome",
                           "frmCheckScale",
                           "frmDownload",
                           "frmDownload",
                           "frmSuccess",
                           "frmDisplay",
                           "frmSuccessUpdate"}));
}

TEST_F(WholeRun, AConnectionResetMidDownloadResumesOnRetry)
{
    ASSERT_TRUE(plugScale());
    ASSERT_NO_FATAL_FAILURE(upToUpdateScale());
    test.dialogs.answer(QMessageBox::Retry);
    download(address() + QStringLiteral("?reset=60000"));
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_EQ(test.dialogs.boxes().front().title, QStringLiteral("Download Incomplete"));
    ASSERT_TRUE(downloadedWindow() && downloadedWindow()->isVisible());
    EXPECT_EQ(QFileInfo(test.files.updateFile()).size(), testing_support::intelHex(image).size());
    ASSERT_NO_FATAL_FAILURE(program());
    ASSERT_NO_FATAL_FAILURE(finish());
    EXPECT_EQ(screens(), kHappyScreens);
}

TEST_F(WholeRun, AScaleUnpluggedWhileProgrammedIsUpdatedOnRetryOncePluggedBack)
{
    // A scale that takes its time to write, so that the cable comes out well before the end.
    ASSERT_TRUE(plugScale({QStringLiteral("--flash-write-ms"), QStringLiteral("2")}));
    ASSERT_NO_FATAL_FAILURE(upToUpdateScale());
    download(address());
    // The cable comes out a quarter of the way through.
    QTimer unplug;
    QObject::connect(&unplug, &QTimer::timeout, [&] {
        const QWidget *display = testing_support::topLevel(QStringLiteral("frmDisplay"));
        const QProgressBar *bar = display
            ? display->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"))
            : nullptr;
        if (bar && bar->maximum() > 0 && bar->value() * 4 >= bar->maximum()) {
            unplug.stop();
            ports.killScale(3);
        }
    });
    unplug.start(1);
    ASSERT_NO_FATAL_FAILURE(program());
    const QString error = QStringLiteral("frmErrorScaleCom");
    ASSERT_TRUE(testing_support::isShown(error));
    EXPECT_FALSE(unplug.isActive()) << "the run ended before the cable came out";
    exitAndStay(testing_support::topLevel(error),
                [&] { testing_support::button(error, QStringLiteral("cmdExit"))->click(); });

    ASSERT_TRUE(plugScale());
    testing_support::button(error, QStringLiteral("cmdRetry"))->click();
    ASSERT_NO_FATAL_FAILURE(runAutomaticUpdate());
    ASSERT_NO_FATAL_FAILURE(finish());
    EXPECT_EQ(screens(),
              QStringList({"frmStartUp",
                           "frmChoosePort",
                           "frmWelcome",
                           "frmCheckScale",
                           "frmDownload",
                           "frmSuccess",
                           "frmDisplay",
                           "frmErrorScaleCom",
                           "frmDisplay",
                           "frmSuccessUpdate"}));
}

TEST_F(WholeRun, YesToTheQuitQuestionEndsTheRunAndDeletesTheWorkingFiles)
{
    ASSERT_TRUE(plugScale());
    ASSERT_NO_FATAL_FAILURE(upToUpdateScale());
    download(address());
    ASSERT_TRUE(downloadedWindow() && downloadedWindow()->isVisible());
    test.touchWorkingFile(QString::fromLatin1(platform::kBannerFileName));
    test.quit.answer(testing_support::QuitAnswers::Answer::Yes);
    downloadedWindow()->close();
    EXPECT_TRUE(test.process.terminated());
    EXPECT_FALSE(platform::fileExists(test.files.updateFile()));
    EXPECT_FALSE(platform::fileExists(test.files.bannerFile()));
    ports.stopScale(3);
    EXPECT_TRUE(ports.flash(3).isEmpty() || ports.flash(3).mid(0x800, 16) != image.mid(0x800, 16))
        << "the scale was not programmed";
}

} // namespace
