// The update file's window and its download in the flow, against the maker server tool: the
// keyboard, a good download, every question and message the download puts to the user with the
// user's answers, the three ways to cancel, the quit question, and the hand-over to the
// programming window.

#include "LoggedServer.h"
#include "WizardPlatform.h"

#include "device/ScaleProgrammer.h"
#include "platform/Animation.h"
#include "platform/Files.h"
#include "ui/DownloadDialog.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using testing_support::patternBytes;
using testing_support::readFile;

const QString kCancelQuestion = QStringLiteral("Are you sure you want to cancel this operation?");

class Wizard : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
        server.put(QStringLiteral("update.hex"), content);
        server.put(QStringLiteral("empty.hex"), QByteArray());
        test.flow.goTo(UpdateFlow::Screen::UpdateFile);
    }

    QWidget *window() const { return testing_support::topLevel(QStringLiteral("frmCheckScale")); }
    QLineEdit *link() const { return window()->findChild<QLineEdit *>(QStringLiteral("txtLink")); }
    QPushButton *next() const
    {
        return window()->findChild<QPushButton *>(QStringLiteral("cmdContinue"));
    }
    DownloadDialog *dialog() const
    {
        return qobject_cast<DownloadDialog *>(testing_support::topLevel("frmDownload"));
    }
    QString updateFile() const { return test.files.updateFile(); }
    // Types the address (a path on the maker server) and presses Continue; true when the
    // download ended on "Successful Download".
    bool download(const QString &path)
    {
        link()->setText(path.startsWith(QLatin1Char('/')) ? server.url() + path : path);
        next()->click();
        const bool ended = QTest::qWaitFor(
            [this] {
                return testing_support::isShown(QStringLiteral("frmSuccess"))
                    || window()->isEnabled();
            },
            20000);
        EXPECT_TRUE(ended) << "the download did not end";
        testing_support::processEvents();
        return testing_support::isShown(QStringLiteral("frmSuccess"));
    }
    QStringList titles() const
    {
        QStringList out;
        for (const auto &box : test.dialogs.boxes())
            out << box.title;
        return out;
    }

    testing_support::WizardPlatform test;
    testing_support::LoggedServer server;
    const QByteArray content = patternBytes(50000);
};

TEST_F(Wizard, EnterMovesToContinueAndASecondEnterPressesItWithBlanksMissingTheLink)
{
    link()->setText(QStringLiteral("   \t "));
    QTest::keyClick(link(), Qt::Key_Return);
    EXPECT_EQ(window()->focusWidget(), next());
    EXPECT_TRUE(test.dialogs.boxes().empty()) << "the first Enter does not press Continue";

    test.dialogs.answer(QMessageBox::Ok);
    QTest::keyClick(next(), Qt::Key_Return);
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    const auto &box = test.dialogs.boxes().front();
    EXPECT_EQ(box.text, QStringLiteral("Please provide the link on the text box."));
    EXPECT_EQ(box.title, QStringLiteral("Missing Link"));
    EXPECT_EQ(box.buttons, QMessageBox::Ok);
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_TRUE(window()->isEnabled());
}

TEST_F(Wizard, ContinueDownloadsWithTheWindowBusyAndMovesOnToSuccessfulDownload)
{
    test.touchWorkingFile(QStringLiteral("\\KovaraNorvessia_APROM.hex"), patternBytes(300000, 3));
    bool busyDuring = false;
    QObject::connect(&test.downloader, &net::Downloader::saving, [&] {
        busyDuring = !window()->isEnabled() && window()->cursor().shape() == Qt::WaitCursor
            && dialog() && dialog()->isVisible();
    });
    EXPECT_TRUE(
        download(QStringLiteral("  ") + server.url() + QStringLiteral("/files/update.hex \t")));
    EXPECT_TRUE(busyDuring);
    EXPECT_EQ(readFile(updateFile()), content) << "the stale longer file is replaced";
    EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmCheckScale")));
    EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmDownload")));
    EXPECT_TRUE(test.dialogs.boxes().empty());
    EXPECT_TRUE(test.quit.asked.isEmpty()) << "the window is left without the quit question";
}

// What the download asks and tells, with the user's answers, and how it ends: on the next
// window with the file whole, or back on the address with no file at all.
TEST_F(Wizard, EveryQuestionAndMessageOfTheDownload)
{
    const QString noConnection = QStringLiteral("Cannot establish connection.\r\r"
                                                "Check your Internet connection and try again.");
    testing_support::ScriptedSocketServer silent;
    struct Box
    {
        QString title;
        QString text = {};                                            // empty: not compared
        QMessageBox::StandardButtons buttons = QMessageBox::NoButton; // none: not compared
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    struct Row
    {
        QString path;
        std::vector<QMessageBox::StandardButton> answers;
        std::vector<Box> boxes;
        bool ok;
        std::optional<double> freeSpace = {};
    };
    const Box incomplete {QStringLiteral("Download Incomplete"),
                          {},
                          QMessageBox::Retry | QMessageBox::Cancel,
                          QMessageBox::Warning};
    const Box noResume {QStringLiteral("Unable to Resume Download"),
                        QStringLiteral("The server is unable to resume this download.\r\r"
                                       "Do you want to continue anyway?"),
                        QMessageBox::Yes | QMessageBox::No,
                        QMessageBox::Warning};
    const Row rows[] = {
        {"/fault/reset/10000/update.hex", {QMessageBox::Retry}, {incomplete}, true},
        {"/fault/reset/3000/update.hex",
         {QMessageBox::Retry, QMessageBox::Cancel},
         {incomplete, incomplete},
         false},
        {"/fault/ignore-range/update.hex?reset=10000",
         {QMessageBox::Retry, QMessageBox::Yes},
         {incomplete, noResume},
         true},
        {"/fault/ignore-range/update.hex?reset=10000&b",
         {QMessageBox::Retry, QMessageBox::No},
         {incomplete, noResume},
         false},
        {"/fault/204/update.hex",
         {QMessageBox::Ok},
         {{"No Content", "Nothing to download!", QMessageBox::Ok, QMessageBox::Information}},
         false},
        {"/fault/no-length/empty.hex",
         {QMessageBox::Ok},
         {{"No Content", "Nothing to download!"}},
         false},
        {"/fault/401/update.hex",
         {QMessageBox::Ok},
         {{"Unauthorized", "Authorization failed!", QMessageBox::Ok, QMessageBox::Critical}},
         false},
        {"/fault/404/update.hex",
         {QMessageBox::Ok},
         {{"File Not Found",
           "The file, \"" + server.url() + "/fault/404/update.hex\" was not found!",
           QMessageBox::Ok,
           QMessageBox::Critical}},
         false},
        {"/fault/status/503/update.hex",
         {QMessageBox::Ok},
         {{"Error Downloading File",
           "The server returned the following response:\r\rHTTP/1.1 503 Service Unavailable\r",
           QMessageBox::Ok,
           QMessageBox::Critical}},
         false},
        {testing_support::closedPortUrl(),
         {QMessageBox::Ok},
         {{"Cannot Establish Connection", noConnection, QMessageBox::Ok, QMessageBox::Warning}},
         false},
        {"/files/update.hex",
         {QMessageBox::Ok},
         {{"Insufficient Disk Space",
           "There is not enough free space on disk for this file.\r\r"
           "Please free up some disk space and try again.",
           QMessageBox::Ok,
           QMessageBox::Critical}},
         false,
         49999},
        {"/files/update.hex", {}, {}, true, 50000},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        // Back on the address, as after "Successful Download" of the row before.
        if (QWidget *downloaded = testing_support::topLevel(QStringLiteral("frmSuccess")))
            downloaded->hide();
        test.flow.goTo(UpdateFlow::Screen::UpdateFile);
        test.dialogs.clear();
        test.disk.free = row.freeSpace;
        for (const QMessageBox::StandardButton answer : row.answers)
            test.dialogs.answer(answer);
        EXPECT_EQ(download(row.path), row.ok);
        ASSERT_EQ(test.dialogs.boxes().size(), row.boxes.size())
            << titles().join(" | ").toStdString();
        for (std::size_t i = 0; i < row.boxes.size(); ++i) {
            const auto &shown = test.dialogs.boxes()[i];
            EXPECT_EQ(shown.title, row.boxes[i].title);
            if (!row.boxes[i].text.isEmpty()) {
                EXPECT_EQ(shown.text, row.boxes[i].text);
            }
            if (row.boxes[i].buttons != QMessageBox::NoButton) {
                EXPECT_EQ(shown.buttons, row.boxes[i].buttons);
                EXPECT_EQ(shown.icon, row.boxes[i].icon);
            }
        }
        if (row.ok) {
            EXPECT_EQ(readFile(updateFile()), content);
            continue;
        }
        EXPECT_FALSE(QFileInfo::exists(updateFile()));
        EXPECT_EQ(link()->text(), row.path.startsWith('/') ? server.url() + row.path : row.path)
            << "the address stays for another try";
    }
}

// A disk that fills up while the break's question is open: the resume is refused for space,
// and the break is offered again.
TEST_F(Wizard, DiskFullOnAResumeOffersTheRetryAgain)
{
    test.dialogs.onBox([&](const testing_support::ScriptedDialogs::Box &box) {
        if (box.title == QStringLiteral("Download Incomplete"))
            test.disk.free = 100;
    });
    for (const auto answer : {QMessageBox::Retry, QMessageBox::Ok, QMessageBox::Cancel})
        test.dialogs.answer(answer);
    EXPECT_FALSE(download(QStringLiteral("/fault/reset/10000/update.hex")));
    EXPECT_EQ(
        titles(),
        QStringList({"Download Incomplete", "Insufficient Disk Space", "Download Incomplete"}));
    EXPECT_FALSE(QFileInfo::exists(updateFile()));
}

// The Cancel button, Esc and the close box each ask; No goes on, the clip playing again.
TEST_F(Wizard, CancelAnsweredNoGoesOn)
{
    QList<bool> playingAtQuestion, playingAfter;
    const auto clipPlaying = [this] {
        return dialog()
            ->findChild<platform::Animation *>(QStringLiteral("Animation1"))
            ->isPlaying();
    };
    test.dialogs.onBox([&](const auto &) { playingAtQuestion << clipPlaying(); });
    int step = 0;
    QObject::connect(&test.downloader, &net::Downloader::progress, window(), [&] {
        switch (++step) {
        case 2:
            dialog()->findChild<QPushButton *>(QStringLiteral("CancelButton"))->click();
            break;
        case 3:
            QTest::keyClick(dialog(), Qt::Key_Escape);
            break;
        case 4:
            dialog()->close();
            break;
        default:
            return;
        }
        playingAfter << clipPlaying();
    });
    for (int i = 0; i < 3; ++i)
        test.dialogs.answer(QMessageBox::No);
    EXPECT_TRUE(download(QStringLiteral("/fault/slow/update.hex?bps=100000")));
    EXPECT_EQ(test.dialogs.texts(), QStringList(3, kCancelQuestion));
    EXPECT_EQ(test.dialogs.boxes().front().buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(test.dialogs.boxes().front().icon, QMessageBox::Question);
    EXPECT_EQ(playingAtQuestion, QList<bool>({false, false, true}))
        << "button and Esc stop the clip";
    EXPECT_EQ(playingAfter, QList<bool>(3, true));
    EXPECT_EQ(readFile(updateFile()), content);
}

// Yes ends the download with no file and the address kept, from the button, from the close box,
// and when the last byte came while the question was open.
TEST_F(Wizard, ConfirmedCancelEndsTheDownload)
{
    enum Way { Button, CloseBox, AfterTheLastByte };
    for (const Way way : {Button, CloseBox, AfterTheLastByte}) {
        SCOPED_TRACE(way);
        test.dialogs.clear();
        if (way == AfterTheLastByte) {
            test.dialogs.onBox([&](const auto &) {
                EXPECT_TRUE(QTest::qWaitFor([&] { return !test.downloader.isRunning(); }, 10000));
            });
        }
        test.dialogs.answer(QMessageBox::Yes);
        QString status;
        const auto connection
            = QObject::connect(&test.downloader, &net::Downloader::saving, window(), [&] {
                  DownloadDialog *progress = dialog();
                  if (way == CloseBox)
                      progress->close();
                  else
                      progress->findChild<QPushButton *>(QStringLiteral("CancelButton"))->click();
                  status = progress->findChild<QLabel *>(QStringLiteral("StatusLabel"))->text();
              });
        EXPECT_FALSE(download(QStringLiteral("/fault/slow/update.hex?bps=200000")));
        QObject::disconnect(connection);
        EXPECT_EQ(status, QStringLiteral("Cancelling..."));
        EXPECT_EQ(test.dialogs.texts(), QStringList {kCancelQuestion});
        EXPECT_FALSE(QFileInfo::exists(updateFile()));
        EXPECT_FALSE(testing_support::isShown(QStringLiteral("frmDownload")));
        EXPECT_TRUE(window()->isEnabled());
    }
}

} // namespace
