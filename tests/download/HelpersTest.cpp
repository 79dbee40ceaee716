// The path and format helpers on their tables and at the edges of their ranges.

#include "TransferDouble.h"

#include "download/modGlobals.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

TEST(FormatFileSize, UnitsAndDefaultMasks)
{
    EXPECT_EQ(FormatFileSize(0), QStringLiteral("0 bytes"));
    EXPECT_EQ(FormatFileSize(512), QStringLiteral("512 bytes"));
    EXPECT_EQ(FormatFileSize(1023), QStringLiteral("1023 bytes"));
    EXPECT_EQ(FormatFileSize(1024), QStringLiteral("1 KB"));
    EXPECT_EQ(FormatFileSize(2048), QStringLiteral("2 KB"));
    EXPECT_EQ(FormatFileSize(1048575), QStringLiteral("1024 KB"));
    EXPECT_EQ(FormatFileSize(1048576), QStringLiteral("1.0 MB"));
    EXPECT_EQ(FormatFileSize(1572864), QStringLiteral("1.5 MB"));
    EXPECT_EQ(FormatFileSize(1073741823), QStringLiteral("1024.0 MB"));
    EXPECT_EQ(FormatFileSize(1073741824), QStringLiteral("1.0 GB"));
    EXPECT_EQ(FormatFileSize(3.5 * 1073741824), QStringLiteral("3.5 GB"));
}

TEST(FormatFileSize, MasksAndGaps)
{
    // The mask applies from KB up; bytes always show whole.
    EXPECT_EQ(FormatFileSize(2048, QStringLiteral("###.0")), QStringLiteral("2.0 KB"));
    EXPECT_EQ(FormatFileSize(512, QStringLiteral("###.0")), QStringLiteral("512 bytes"));
    EXPECT_EQ(FormatFileSize(12595, QStringLiteral("###.0")), QStringLiteral("12.3 KB"));
    EXPECT_EQ(FormatFileSize(1572864, QStringLiteral("###0")), QStringLiteral("2 MB"));
    // Counts between the ranges and negative counts give nothing, so a rate shows "/Sec" alone.
    EXPECT_EQ(FormatFileSize(1023.5), QString());
    EXPECT_EQ(FormatFileSize(1048575.5), QString());
    EXPECT_EQ(FormatFileSize(-1), QString());
}

TEST(FormatWithMask, LeadingDigitAndPercent)
{
    EXPECT_EQ(download::formatWithMask(0.5, QStringLiteral("###.0")), QStringLiteral(".5"));
    EXPECT_EQ(download::formatWithMask(0.5, QStringLiteral("###0.0")), QStringLiteral("0.5"));
    EXPECT_EQ(download::formatWithMask(0, QStringLiteral("###0")), QStringLiteral("0"));
    EXPECT_EQ(download::formatWithMask(0.45, QStringLiteral("##0%")), QStringLiteral("45%"));
    EXPECT_EQ(download::formatWithMask(0.001, QStringLiteral("##0%")), QStringLiteral("0%"));
    EXPECT_EQ(download::formatWithMask(1, QStringLiteral("##0%")), QStringLiteral("100%"));
}

TEST(FormatDuration, TableAndBoundaries)
{
    EXPECT_EQ(FormatDuration(0), QStringLiteral("0 sec"));
    EXPECT_EQ(FormatDuration(42), QStringLiteral("42 sec"));
    EXPECT_EQ(FormatDuration(59), QStringLiteral("59 sec"));
    // Between 59 and 60 the hours form is used.
    EXPECT_EQ(FormatDuration(59.5), QStringLiteral("0 hr 1 min"));
    EXPECT_EQ(FormatDuration(60), QStringLiteral("1 min 0 sec"));
    EXPECT_EQ(FormatDuration(119.6), QStringLiteral("1 min 0 sec"));
    EXPECT_EQ(FormatDuration(125), QStringLiteral("2 min 5 sec"));
    EXPECT_EQ(FormatDuration(3599), QStringLiteral("59 min 59 sec"));
    EXPECT_EQ(FormatDuration(3600), QStringLiteral("1 hr 0 min"));
    EXPECT_EQ(FormatDuration(3725), QStringLiteral("1 hr 2 min"));
    EXPECT_EQ(FormatDuration(-5), QStringLiteral("-1 hr 0 min"));
}

TEST(PathParts, FileAndFolderOfPathsAndAddresses)
{
    EXPECT_EQ(GetPathPart(QStringLiteral("C:\\Kovara\\update.hex"), true, false),
              QStringLiteral("update.hex"));
    EXPECT_EQ(GetPathPart(QStringLiteral("C:\\Kovara\\update.hex"), false, false),
              QStringLiteral("C:\\Kovara\\"));
    EXPECT_EQ(GetPathPart(QStringLiteral("/home/u/KovaraScale/update.hex"), true, false),
              QStringLiteral("update.hex"));
    EXPECT_EQ(GetPathPart(QStringLiteral("/home/u/KovaraScale/update.hex"), false, false),
              QStringLiteral("/home/u/KovaraScale/"));
    EXPECT_EQ(GetPathPart(QStringLiteral("http://h/a/b.hex"), true, true), QStringLiteral("b.hex"));
    EXPECT_EQ(GetPathPart(QStringLiteral("http://h/a/b.hex"), false, true),
              QStringLiteral("http://h/a/"));
    // An address's backslash is no separator; a path without any separator comes back whole.
    EXPECT_EQ(GetPathPart(QStringLiteral("a\\b"), true, true), QStringLiteral("a\\b"));
    EXPECT_EQ(GetPathPart(QStringLiteral("plain.hex"), false, false), QStringLiteral("plain.hex"));
    EXPECT_EQ(GetPathPart(QStringLiteral("http://h/dir/"), true, true), QString());

    EXPECT_EQ(AddBackslash(QStringLiteral("C:")), QStringLiteral("C:\\"));
    EXPECT_EQ(AddBackslash(QStringLiteral("C:\\")), QStringLiteral("C:\\"));
}

TEST(FreeDiskSpace, AsksTheInstalledSeamAndTheRealDisk)
{
    {
        testing_support::FixedSpace space(5e12); // more than 32 bits can hold
        EXPECT_EQ(GetFreeDiskSpace(QStringLiteral("/data/KovaraScale/")), 5e12);
        EXPECT_EQ(space.asked, QStringLiteral("/data/KovaraScale/"));
    }

    // The real disk: a folder that does not exist yet is measured on its nearest parent.
    EXPECT_GT(GetFreeDiskSpace(QDir::tempPath() + QStringLiteral("/no/such/folder")), 0);
}

} // namespace
