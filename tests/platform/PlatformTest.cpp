// The support log. Message and input boxes are checked where the program shows them.

#include "TestPlatform.h"

#include "platform/Files.h"
#include "platform/SupportLog.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;

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
