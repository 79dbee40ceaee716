// The clip player: the clip that ships with the program, a clip of raw frames, and files that
// are no clips.

#include "TestPlatform.h"

#include "ui/ClipPlayer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
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
    QByteArray out = QByteArray(id, 4) + le32(quint32(data.size())) + data;
    if (data.size() & 1)
        out += '\0';
    return out;
}

// Writes a file into dir; its path.
QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    QFile file(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

TEST(Animation, ShippedClipLoopsFramesThatFitTheControl)
{
    const AviClip clip = AviClip::read(QStringLiteral(KOVARA_BIN_DIR "/downloading.AVI"));
    ASSERT_TRUE(clip.isValid()) << clip.error.toStdString();
    EXPECT_GE(clip.frames.size(), 8u);
    EXPECT_LE(clip.frames.front().width(), 313);
    EXPECT_LE(clip.frames.front().height(), 41);
    EXPECT_NE(clip.frames.front(), clip.frames[clip.frames.size() / 2]) << "the picture moves";

    ClipPlayer player;
    ASSERT_TRUE(player.open(QStringLiteral(KOVARA_BIN_DIR "/downloading.AVI")));
    player.play();
    EXPECT_TRUE(player.isPlaying());
    QTimer guard;
    guard.setSingleShot(true);
    guard.start(5000);
    int last = player.currentFrame();
    int steps = 0;
    while (steps < player.frameCount() + 1 && guard.isActive()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (player.currentFrame() != last) {
            last = player.currentFrame();
            ++steps;
        }
    }
    EXPECT_GT(steps, player.frameCount()) << "the clip wraps round to its start";
    player.stop();
    EXPECT_FALSE(player.isPlaying());
    player.clear();
    EXPECT_FALSE(player.isOpen());
}

TEST(Animation, ReadsUncompressedBottomUpFrames)
{
    // One 2x2 frame of 24-bit pixels, rows bottom-up and padded to four bytes.
    QByteArray strf = le32(40) + le32(2) + le32(2) + QByteArray("\x01\x00\x18\x00", 4) + le32(0)
        + le32(16) + le32(0) + le32(0) + le32(0) + le32(0);
    QByteArray pixels;
    pixels
        += QByteArray("\xFF\x00\x00\x00\xFF\x00", 6) + QByteArray(2, '\0'); // bottom: blue, green
    pixels += QByteArray("\x00\x00\xFF\xFF\xFF\xFF", 6) + QByteArray(2, '\0'); // top: red, white
    QByteArray strh = QByteArray("vids", 4) + QByteArray("DIB ", 4) + QByteArray(48, '\0');
    QByteArray avih = le32(50000) + QByteArray(52, '\0');
    QByteArray hdrl = chunk(
        "LIST",
        QByteArray("hdrl", 4) + chunk("avih", avih)
            + chunk("LIST", QByteArray("strl", 4) + chunk("strh", strh) + chunk("strf", strf)));
    QByteArray movi = chunk("LIST", QByteArray("movi", 4) + chunk("00db", pixels));
    QByteArray riff = chunk("RIFF", QByteArray("AVI ", 4) + hdrl + movi);

    QTemporaryDir dir;
    const AviClip clip = AviClip::read(writeFile(dir, "raw.avi", riff));
    ASSERT_TRUE(clip.isValid()) << clip.error.toStdString();
    EXPECT_EQ(clip.frameIntervalMs, 50);
    const QImage &frame = clip.frames.front();
    EXPECT_EQ(frame.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(frame.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(frame.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(frame.pixel(1, 1), qRgb(0, 255, 0));

    // Cut short in the middle of its frame, the file holds nothing to show.
    EXPECT_FALSE(AviClip::read(writeFile(dir, "cut.avi", riff.left(riff.size() - 6))).isValid());
}

TEST(Animation, MissingOrForeignFileLeavesTheControlEmpty)
{
    ClipPlayer player;
    EXPECT_FALSE(player.open(QStringLiteral("/no/such/clip.avi")));
    player.play();
    EXPECT_FALSE(player.isPlaying());

    QTemporaryDir dir;
    EXPECT_FALSE(player.open(writeFile(dir, "text.avi", "RIFF\x10\x00\x00\x00WAVEfmt junk")));
    EXPECT_FALSE(player.isOpen());
}

} // namespace
