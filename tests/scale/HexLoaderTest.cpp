// The HEX loader over what real tools write and over each kind of damaged file.

#include "TestPlatform.h"
#include "UpdateFile.h"

#include "core/HexLoader.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

QByteArray sample(const char *name)
{
    return testing_support::readFile(QStringLiteral(KOVARA_SCALE_TEST_DATA "/")
                                     + QLatin1String(name));
}

core::HexLoadResult load(QByteArray text, core::FlashImage &image)
{
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    return core::loadIntelHex(buffer, image);
}

// An image holding binary at offset and FFh elsewhere.
core::FlashImage imageOf(const QByteArray &binary, int offset)
{
    core::FlashImage image;
    for (int i = 0; i < binary.size(); ++i)
        image.set(offset + i, quint8(binary.at(i)));
    return image;
}

TEST(HexLoader, ReadsWhatObjcopyAndSrecCatWrite)
{
    const QByteArray aprom = sample("aprom.bin");
    ASSERT_EQ(aprom.size(), 4096);
    struct Case
    {
        const char *file;
        QByteArray binary;
        int offset;
    } cases[] = {
        {"aprom-objcopy.hex", aprom, 0},
        {"top-objcopy.hex", aprom, 0xF000},              // ends at FFFFh, start address (03)
        {"ldrom-srec-crlf.hex", sample("ldrom.bin"), 0}, // CR LF, 04 and 05 records
    };
    for (const Case &c : cases) {
        core::FlashImage image;
        image.set(0x8000, 0x00); // a leftover the load must erase
        const core::HexLoadResult result = load(sample(c.file), image);
        ASSERT_TRUE(result.ok) << c.file << ": " << result.message().toStdString();
        EXPECT_TRUE(image == imageOf(c.binary, c.offset)) << c.file;
    }
}

TEST(HexLoader, AcceptsBlankLinesLowerCaseAndRecordsInAnyOrder)
{
    core::FlashImage image;
    const auto good = load(":02001000abcd76\n\n  \r\n:0100000012ed\n:010010009956\n"
                           ":020000040000fa\n:00000001ff\ngarbage after the end\n",
                           image);
    ASSERT_TRUE(good.ok) << good.message().toStdString();
    EXPECT_EQ(image.at(0x0000), 0x12);
    EXPECT_EQ(image.at(0x0010), 0x99); // the later record wins
    EXPECT_EQ(image.at(0x0011), 0xCD);
    EXPECT_EQ(image.at(0x0001), 0xFF);
    EXPECT_EQ(good.dataRecords, 3);
}

TEST(HexLoader, RefusesDamagedFilesNamingTheLineAndLeavesTheImage)
{
    const QByteArray first = ":0100000012ED\n";
    struct Case
    {
        QByteArray line;
        int lineNo;
        const char *fault;
    } cases[] = {
        {":0100010012ED\n", 2, "checksum"},
        {":0200000012ED\n", 2, "cut short"},
        {":0100000012EDED\n", 2, "longer than its byte count"},
        {":01000000G2ED\n", 2, "\"G\" is not a hex digit"},
        {":0100000012E\n", 2, "odd number"},
        {":010000\n", 2, "cut short"},
        {"0100000012ED\n", 2, "colon"},
        {":02FFFF001234BA\n", 2, "past address FFFFh"},
        {":020000040001F9\n", 2, "extended address 0001h"},
        {":020000021000EC\n", 2, "extended address 1000h"},
        {":0100000612E7\n", 2, "record type 06"},
        {"\n", 0, "without its end record"},
        {":00000001F\n", 2, "odd number"},
        {QByteArray(":") + QByteArray(2000, '0') + "\n:00000001FF\n", 2, "too long"},
    };
    for (const Case &c : cases) {
        core::FlashImage image;
        image.set(0x0000, 0x77);
        const core::FlashImage before = image;
        const auto result = load(first + c.line + (c.lineNo ? ":00000001FF\n" : ""), image);
        EXPECT_FALSE(result.ok) << c.line.toStdString();
        EXPECT_EQ(result.line, c.lineNo) << c.line.toStdString();
        EXPECT_TRUE(result.fault.contains(QLatin1String(c.fault)))
            << c.line.toStdString() << " -> " << result.fault.toStdString();
        EXPECT_TRUE(image == before) << c.line.toStdString();
    }
}

} // namespace
