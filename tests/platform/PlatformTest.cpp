// The working folder and the support log. Message and input boxes are checked where the program
// shows them.

#include "TestPlatform.h"

#include "platform/Files.h"
#include "platform/SupportLog.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;
using testing_support::TestPlatform;

TEST(WorkingFolder, NamesLandInTheFolderDeletionIgnoresErrorsAndAMissingFolderIsMade)
{
    QTemporaryDir scratch;
    // A folder that does not exist yet is created.
    const QString nested = scratch.filePath(QStringLiteral("a/KovaraScale"));
    const WorkingFolder files(nested);
    EXPECT_TRUE(QFileInfo(nested).isDir());
    const QString path = files.updateFile();
    EXPECT_EQ(path, nested + QStringLiteral("/KovaraNorvessia_APROM.hex"));
    EXPECT_EQ(files.file(QStringLiteral("\\sub\\x.bin")), nested + QStringLiteral("/sub/x.bin"));
    deleteFile(path); // missing: nothing happens
    QFile(path).open(QIODevice::WriteOnly);
    deleteFile(path);
    EXPECT_FALSE(QFileInfo::exists(path));

    // A folder in the way cannot be deleted as a file: ignored, no crash.
    QDir(nested).mkdir(QStringLiteral("norvessiaupdatebanner.jpg"));
    deleteFile(files.bannerFile());
}

// The support log takes every line, the scale's transcript too, and keeps two runs' files when it
// has grown; it lives in the state folder the environment names.
TEST(SupportLog, KeepsTheTranscriptAndRotatesAtStart)
{
    KOVARA_LINUX_ONLY("the XDG state folder (on Windows the log is in the working folder)");
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    const QString path = WorkingFolder::standard().supportLog();
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(path, state.filePath(QStringLiteral("kovara-pc-program/support.log")));
    QDir().mkpath(QFileInfo(path).absolutePath());
    for (const char *name : {".1", ""}) {
        QFile old(path + QLatin1String(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(SupportLog::kRotateBytes + 1, 'o'));
    }
    {
        const SupportLog log(path, false);
        ASSERT_TRUE(log.isOpen());
        QLoggingCategory link("kovara.scale.link");
        qCDebug(link) << "B4 0700 out B4 07 00";
        qInfo() << "a step";
    }
    testing_support::quietLogging();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("B4 0700 out B4 07 00") && text.contains("a step")) << text.data();
    EXPECT_EQ(QFileInfo(path + ".1").size(), SupportLog::kRotateBytes + 1);
    EXPECT_EQ(QFileInfo(path + ".2").size(), SupportLog::kRotateBytes + 1);
}
