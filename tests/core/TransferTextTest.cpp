// The sizes, durations and masked numbers of the download dialog, on their tables and at the
// edges of their ranges.

#include "core/TransferText.h"

#include <gtest/gtest.h>

namespace {

TEST(TransferText, SizesDurationsAndMasks)
{
    struct Row
    {
        QString shown;
        QString expected;
    };
    const Row rows[] = {
        {core::fileSizeText(0), "0 bytes"},
        {core::fileSizeText(1023), "1023 bytes"},
        {core::fileSizeText(1024), "1 KB"},
        {core::fileSizeText(1048575), "1024 KB"},
        {core::fileSizeText(1048576), "1.0 MB"},
        {core::fileSizeText(1572864), "1.5 MB"},
        {core::fileSizeText(1073741823), "1024.0 MB"},
        {core::fileSizeText(3.5 * 1073741824), "3.5 GB"},
        // The mask applies from KB up; bytes always show whole.
        {core::fileSizeText(12595, "###.0"), "12.3 KB"},
        {core::fileSizeText(512, "###.0"), "512 bytes"},
        {core::fileSizeText(1572864, "###0"), "2 MB"},
        // A fractional rate between two ranges takes the unit of its whole bytes.
        {core::fileSizeText(1023.4), "1023 bytes"},
        {core::fileSizeText(1023.5), "1 KB"},
        {core::fileSizeText(1048575.5, "###.0"), "1.0 MB"},
        {core::fileSizeText(-1), ""},
        {core::maskedNumber(0.5, "###.0"), ".5"},
        {core::maskedNumber(0.5, "###0.0"), "0.5"},
        {core::maskedNumber(0, "###0"), "0"},
        {core::maskedNumber(0.45, "##0%"), "45%"},
        {core::maskedNumber(0.001, "##0%"), "0%"},
        {core::durationText(0), "0 sec"},
        {core::durationText(59), "59 sec"},
        // Between 59 and 60 the hours form is used.
        {core::durationText(59.5), "0 hr 1 min"},
        {core::durationText(60), "1 min 0 sec"},
        {core::durationText(119.6), "1 min 0 sec"},
        {core::durationText(3599), "59 min 59 sec"},
        {core::durationText(3725), "1 hr 2 min"},
        {core::runTimeText(0), "1 s"},
        {core::runTimeText(59'499), "59 s"},
        {core::runTimeText(65'000), "1 min 5 s"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(row.shown, row.expected);
}

} // namespace
