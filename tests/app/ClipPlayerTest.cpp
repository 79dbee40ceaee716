// The clip player: the clip that ships with the program loops, a clip of raw bottom-up frames
// reads pixel for pixel, and files that are no clips (or are cut short) leave the control empty.

#include "ui/ClipPlayer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QByteArray le32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

QByteArray chunk(const char *id, const QByteArray &data)
{
    return QByteArray(id, 4) + le32(quint32(data.size())) + data
        + QByteArray(data.size() & 1, '\0');
}

QString written(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    QFile file(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    return file.fileName();
}

TEST(ClipPlayer, TheShippedClipLoopsFramesThatFitTheControl)
{
    const AviClip clip = AviClip::read(QStringLiteral(KOVARA_BIN_DIR "/downloading.AVI"));
    ASSERT_TRUE(clip.isValid()) << clip.error.toStdString();
    EXPECT_GE(clip.frames.size(), 8u);
    EXPECT_LE(clip.frames.front().width(), 313);
    EXPECT_LE(clip.frames.front().height(), 41);
    EXPECT_NE(clip.frames.front(), clip.frames[clip.frames.size() / 2]) << "the picture moves";

    ClipPlayer player;
    player.resize(313, 41);
    ASSERT_TRUE(player.open(QStringLiteral(KOVARA_BIN_DIR "/downloading.AVI")));
    const auto shown = [&] {
        return player.grab().toImage();
    };
    const QImage first = shown();
    player.play();
    // The picture moves, and comes round to the first frame again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown() != first; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown() == first; }));
    player.stop();
    EXPECT_FALSE(player.isPlaying());
}

TEST(ClipPlayer, RawFramesReadAndOtherFilesLeaveTheControlEmpty)
{
    // One 2x2 frame of 24-bit pixels, rows bottom-up and padded to four bytes.
    const QByteArray strf = le32(40) + le32(2) + le32(2) + QByteArray("\x01\x00\x18\x00", 4)
        + le32(0) + le32(16) + QByteArray(16, '\0');
    const QByteArray pixels = QByteArray("\xFF\x00\x00\x00\xFF\x00\0\0", 8) // blue, green
        + QByteArray("\x00\x00\xFF\xFF\xFF\xFF\0\0", 8);                    // red, white
    const QByteArray strh = QByteArray("vidsDIB ", 8) + QByteArray(48, '\0');
    const QByteArray hdrl
        = chunk("LIST",
                "hdrl" + chunk("avih", le32(50000) + QByteArray(52, '\0'))
                    + chunk("LIST", "strl" + chunk("strh", strh) + chunk("strf", strf)));
    const QByteArray riff
        = chunk("RIFF", "AVI " + hdrl + chunk("LIST", "movi" + chunk("00db", pixels)));
    QTemporaryDir dir;
    const AviClip clip = AviClip::read(written(dir, "raw.avi", riff));
    ASSERT_TRUE(clip.isValid()) << clip.error.toStdString();
    EXPECT_EQ(clip.frameIntervalMs, 50);
    const QImage &frame = clip.frames.front();
    EXPECT_EQ(frame.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(frame.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(frame.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(frame.pixel(1, 1), qRgb(0, 255, 0));

    ClipPlayer player;
    for (const QString &path : {written(dir, "cut.avi", riff.left(riff.size() - 6)),
                                written(dir, "text.avi", "RIFF\x10\x00\x00\x00WAVEfmt junk"),
                                dir.filePath("missing.avi")}) {
        EXPECT_FALSE(player.open(path)) << path.toStdString();
        player.play();
        EXPECT_FALSE(player.isPlaying());
    }
}

} // namespace
