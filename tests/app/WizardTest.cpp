// The update file's window and its download, against the maker server tool: each row types an
// address on the maker server, gives the user's answers, and states what the user meets (see
// Journey for the trace's words) and whether the update file ended whole or not at all.

#include "Journey.h"
#include "MakerServer.h"
#include "ScriptedSocketServer.h"
#include "UpdateFile.h"

#include "ui/ClipPlayer.h"
#include "ui/DownloadDialog.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace testing_support;
using Button = QMessageBox::StandardButton;

const QByteArray kContent = patternBytes(50000);

struct Row
{
    QString link; // a path on the maker server, or a whole address
    std::vector<Button> answers;
    QString trace; // after "+frmCheckScale"
    std::optional<qint64> freeSpace = {};
    std::function<void(TestPlatform &)> setup = {};
    // Continue is pressed again after the first download ended (the user's retry).
    bool again = false;
    const char *linuxOnly = nullptr; // what the row needs that only Linux has
};

DownloadDialog *dialog()
{
    return qobject_cast<DownloadDialog *>(topLevel("frmDownload"));
}

QPushButton *cancelButton()
{
    return dialog()->findChild<QPushButton *>(QStringLiteral("CancelButton"));
}

class Wizard : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
        server.put(QStringLiteral("update.hex"), kContent);
        server.put(QStringLiteral("empty.hex"), QByteArray());
    }
    void run(const Row &row)
    {
        SCOPED_TRACE(row.link.toStdString());
        if (skipsHere(row.linuxOnly))
            return;
        TestPlatform test(Journey::options());
        test.disk.free = row.freeSpace;
        for (const Button answer : row.answers)
            test.dialogs.answer(answer);
        if (row.setup)
            row.setup(test);
        Journey journey(test, server.url());
        journey.run(UpdateFlow::Screen::UpdateFile,
                    {"frmCheckScale.txtLink=" + row.link, "frmCheckScale.cmdContinue"});
        if (row.again)
            journey.step(QStringLiteral("frmCheckScale.cmdContinue"));
        EXPECT_EQ(journey.trace(), "+frmCheckScale " + row.trace);
        const bool ok = row.trace.endsWith(QLatin1String("-frmCheckScale"));
        if (ok) {
            EXPECT_EQ(readFile(test.files.updateFile()), kContent);
        } else {
            EXPECT_FALSE(QFileInfo::exists(test.files.updateFile()));
            EXPECT_FALSE(QFileInfo::exists(core::signaturePath(test.files.updateFile())));
            EXPECT_TRUE(topLevel("frmCheckScale")->isEnabled());
        }
    }

    MakerServer server {MakerServer::Files::OwnFolder};
};

// The https server of these rows is Qt's own in the test; on Windows that is Schannel, which
// Wine cannot run as a server.
const char kTlsServer[] = "a TLS server in the test process";
const QString kDone = QStringLiteral("-frmDownload +frmSuccess -frmCheckScale");
const QString kFailed = QStringLiteral("-frmDownload");

// What the download asks and tells, with the user's answers, and how it ends: on the next
// window with the file whole, or back on the address with no file at all.
TEST_F(Wizard, EveryQuestionAndMessageOfTheDownload)
{
    const QString reset = QStringLiteral("!The connection with the server was reset");
    const QString noResume = QStringLiteral("!The server is unable to resume this download");
    const QString untrusted
        = QStringLiteral("+frmDownload !The server's certificate is not trusted ") + kFailed;
    UntrustedTlsServer selfSigned(QStringLiteral("self-signed.pem"));
    UntrustedTlsServer expired(QStringLiteral("expired.pem"));
    UntrustedTlsServer otherHost(QStringLiteral("other-host.pem"));
    int versions = 10;
    const QString nothing = "+frmDownload !Nothing to download! " + kFailed;
    const QString response = "+frmDownload !The server returned the following response: " + kFailed;
    const QString noSpace = "!There is not enough free space on disk for this file ";
    const auto changeAtEveryBox = [&](TestPlatform &t) {
        t.dialogs.onBox([&] { server.put("update.hex", patternBytes(50000, ++versions)); });
    };
    const auto fullDisk = [](TestPlatform &t) {
        QFile::link("/dev/full", t.files.updateFile());
    };
    const auto staleFileAndBusyWindow = [](TestPlatform &t) {
        t.touchWorkingFile(QStringLiteral("\\KovaraNorvessia_APROM.hex"), patternBytes(300000, 3));
        QObject::connect(&t.downloader, &net::Downloader::saving, [] {
            const QWidget *window = topLevel("frmCheckScale");
            EXPECT_FALSE(window->isEnabled());
            EXPECT_EQ(window->cursor().shape(), Qt::WaitCursor);
            EXPECT_TRUE(dialog() && dialog()->isVisible());
        });
    };
    // clang-format off
    const Row rows[] = {
        {"/files/update.hex", {}, "+frmDownload " + kDone, 50000},
        {"/fault/reset/10000/update.hex", {Button::Retry}, "+frmDownload " + reset + ' ' + kDone},
        {"/fault/reset/3000/update.hex", {Button::Retry, Button::Cancel},
         "+frmDownload " + reset + ' ' + reset + ' ' + kFailed},
        {"/fault/ignore-range/update.hex?reset=10000", {Button::Retry, Button::Yes},
         "+frmDownload " + reset + ' ' + noResume + ' ' + kDone},
        {"/fault/ignore-range/update.hex?reset=10000&b", {Button::Retry, Button::No},
         "+frmDownload " + reset + ' ' + noResume + ' ' + kFailed},
        // Without a version of the file named by the server, Retry fetches it from the start.
        {"/files/update.hex?validator=none&reset=10000", {Button::Retry},
         "+frmDownload " + reset + ' ' + kDone},
        // A file that changes on the server at every break, under a version name that does not.
        {"/files/update.hex?validator=fixed&reset=10000&cuts=all",
         {Button::Retry, Button::Yes, Button::Retry, Button::Ok},
         "+frmDownload " + reset + ' ' + noResume + ' ' + reset
             + " !The file changed on the server while it was being downloaded " + kFailed,
         {}, changeAtEveryBox},
        {"/fault/redirect/302/update.hex", {}, "+frmDownload " + kDone},
        {"/fault/redirect/301/update.hex?host=localhost", {}, "+frmDownload " + kDone},
        {"/fault/redirect/302/update.hex?scheme=ftp", {Button::Ok}, response},
        {selfSigned.url(), {Button::Ok}, untrusted, {}, {}, false, kTlsServer},
        {expired.url(), {Button::Ok}, untrusted, {}, {}, false, kTlsServer},
        {otherHost.url(), {Button::Ok}, untrusted, {}, {}, false, kTlsServer},
        // The disk fills up as the file is written: told why, no file left; Continue again
        // (the disk freed) fetches it whole.
        {"/files/update.hex", {Button::Ok},
         "+frmDownload !Cannot write file to disk -frmDownload +frmDownload " + kDone, {},
         fullDisk, true, "/dev/full"},
        {"/fault/204/update.hex", {Button::Ok}, nothing},
        {"/fault/no-length/empty.hex", {Button::Ok}, nothing},
        {"/fault/401/update.hex", {Button::Ok}, "+frmDownload !Authorization failed! " + kFailed},
        {"/fault/404/update.hex", {Button::Ok}, "+frmDownload !The file " + kFailed},
        {"/fault/status/503/update.hex", {Button::Ok}, response},
        // The signature follows the file: not there is none (the question comes at the load);
        // one that never comes fails the download, and neither file stays.
        {"/files/update.hex?sig=none", {}, "+frmDownload " + kDone},
        {"/files/update.hex?sig=stall&seconds=1", {Button::Ok},
         "+frmDownload !Cannot establish connection rm:KovaraNorvessia_APROM.hex " + kFailed},
        {closedPortUrl(), {Button::Ok}, "+frmDownload !Cannot establish connection " + kFailed},
        {"/files/update.hex", {Button::Ok}, "+frmDownload " + noSpace + kFailed, 49999},
        // The disk fills up while the break's question is open: the resume is refused for
        // space, and the break is offered again.
        {"/fault/reset/10000/update.hex", {Button::Retry, Button::Ok, Button::Cancel},
         "+frmDownload " + reset + ' ' + noSpace + reset + ' ' + kFailed, {},
         [](TestPlatform &t) { t.dialogs.onBox([&t] { t.disk.free = 100; }); }},
        // Blanks are no address.
        {"   \t ", {Button::Ok}, "!Please provide the link on the text box"},
        // Blanks around one are dropped, and a stale longer file is replaced; the window is
        // busy meanwhile.
        {"  /files/update.hex \t", {}, "+frmDownload " + kDone, {}, staleFileAndBusyWindow},
    };
    // clang-format on
    for (const Row &row : rows) {
        run(row);
        server.put(QStringLiteral("update.hex"), kContent);
    }
    EXPECT_TRUE(selfSigned.request.isEmpty() && expired.request.isEmpty()
                && otherHost.request.isEmpty());
}

// The Cancel button, Esc and the close box each ask; No goes on with the clip playing again,
// and Yes ends the download with no file and the address kept, also when the last byte came
// while the question was open.
TEST_F(Wizard, CancelAsksAndYesEndsTheDownload)
{
    const QString question = QStringLiteral("!Are you sure you want to cancel this operation?");
    const auto clipPlaying = [] {
        return dialog()->findChild<ClipPlayer *>("Animation1")->isPlaying();
    };
    {
        TestPlatform test(Journey::options());
        QList<bool> playing;
        test.dialogs.onBox([&] { playing << clipPlaying(); });
        int step = 0;
        QObject::connect(&test.downloader, &net::Downloader::progress, [&] {
            if (++step == 2)
                cancelButton()->click();
            else if (step == 3)
                QTest::keyClick(dialog(), Qt::Key_Escape);
            else if (step == 4)
                dialog()->close();
            else
                return;
            playing << clipPlaying();
        });
        for (int i = 0; i < 3; ++i)
            test.dialogs.answer(Button::No);
        Journey journey(test, server.url());
        journey.run(UpdateFlow::Screen::UpdateFile,
                    {"frmCheckScale.txtLink=/fault/slow/update.hex?bps=100000",
                     "frmCheckScale.cmdContinue"});
        EXPECT_EQ(journey.trace(),
                  "+frmCheckScale +frmDownload " + question + ' ' + question + ' ' + question + ' '
                      + kDone);
        // The button and Esc stop the clip while they ask.
        EXPECT_EQ(playing, QList<bool>({false, true, false, true, true, true}));
        EXPECT_EQ(readFile(test.files.updateFile()), kContent);
    }
    enum Way { Button, CloseBox, AfterTheLastByte };
    for (const Way way : {Button, CloseBox, AfterTheLastByte}) {
        SCOPED_TRACE(way);
        TestPlatform test(Journey::options());
        if (way == AfterTheLastByte) {
            test.dialogs.onBox([&] {
                EXPECT_TRUE(QTest::qWaitFor([&] { return !test.downloader.isRunning(); }, 10000));
            });
        }
        test.dialogs.answer(QMessageBox::Yes);
        QString status;
        QObject::connect(&test.downloader, &net::Downloader::saving, [&] {
            if (!status.isEmpty())
                return;
            if (way == CloseBox)
                dialog()->close();
            else
                cancelButton()->click();
            status = dialog()->findChild<QLabel *>(QStringLiteral("StatusLabel"))->text();
        });
        Journey journey(test, server.url());
        journey.run(UpdateFlow::Screen::UpdateFile,
                    {"frmCheckScale.txtLink=/fault/slow/update.hex?bps=200000",
                     "frmCheckScale.cmdContinue"});
        EXPECT_EQ(journey.trace(), "+frmCheckScale +frmDownload " + question + ' ' + kFailed);
        EXPECT_EQ(status, QStringLiteral("Cancelling..."));
        EXPECT_FALSE(QFileInfo::exists(test.files.updateFile()));
    }
}

} // namespace
