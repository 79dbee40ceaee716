// The clip player: the clip that ships with the program loops in the control's size.

#include "ui/ClipPlayer.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

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

} // namespace
