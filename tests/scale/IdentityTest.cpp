// The serial number: reading it from the scale, writing it into the image and into the scale, and
// the two service commands that set it.

#include "TestPlatform.h"

#include "platform/Dialogs.h"
#include "scale/ScaleIdentity.h"
#include "scale/frmDisplay.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

using virtual_scale::Fault;

class Identity : public ::testing::Test
{
protected:
    Identity()
    {
        display.MSComm1().setCommPort(1);
        display.MSComm1().open();
    }

    QByteArray serialInImage() const { return display.FlashImage.bytes(0x0700, 4); }

    TestPlatform test;
    virtual_scale::VirtualScale &scale = test.serial.addScale(1, QStringLiteral("20231187"));
    frmDisplay &display = Forms::frmDisplay();
};

TEST_F(Identity, RdSNReturnsTheScalesDigitsOrLettersOrNothing)
{
    EXPECT_EQ(display.RdSN(), QStringLiteral("20231187"));
    EXPECT_EQ(test.serial.sent(1), QByteArray::fromHex("B40700"));

    scale.setSerialNumber(QStringLiteral("1A2B3C4D"));
    EXPECT_EQ(display.RdSN(), QStringLiteral("1A2B3C4D"));

    scale.setSilent(true);
    const qint64 before = test.clock.nowMs();
    EXPECT_EQ(display.RdSN(), QString());
    EXPECT_FALSE(display.ScaleCom);
    EXPECT_NEAR(double(test.clock.nowMs() - before), 10'000.0, 500.0);
}

TEST_F(Identity, UpdateSNPacksTheDigitsTwoToAByte)
{
    display.CurrentSN = QStringLiteral("20231187");
    display.UpdateSN();
    EXPECT_EQ(serialInImage(), QByteArray::fromHex("20231187"));

    display.CurrentSN.clear();
    display.UpdateSN();
    EXPECT_EQ(serialInImage(), QByteArray::fromHex("00000000"));

    // A short text or a non-digit counts as 0.
    display.CurrentSN = QStringLiteral("12x4");
    display.UpdateSN();
    EXPECT_EQ(serialInImage(), QByteArray::fromHex("12040000"));
}

TEST_F(Identity, WriteByteRetriesOnceThenSaysWhy)
{
    display.FlashImage.set(0x0702, 0x42);
    scale.addFault(Fault::refuse(virtual_scale::kStoreByte, -1, 1));
    EXPECT_TRUE(display.WriteByte(0x0702));
    EXPECT_EQ(test.serial.sent(1), QByteArray::fromHex("5A070242 5A070242"));
    EXPECT_EQ(scale.at(0x0702), 0x42);
    EXPECT_TRUE(test.dialogs.boxes().empty());

    scale.addFault(Fault::refuse(virtual_scale::kStoreByte, -1, 2));
    test.dialogs.answer(platform::mb::OK);
    EXPECT_FALSE(display.WriteByte(0x0702));

    scale.addFault(Fault::ignore(virtual_scale::kStoreByte, -1, 2));
    test.dialogs.answer(platform::mb::OK);
    EXPECT_FALSE(display.WriteByte(0x0702));

    EXPECT_EQ(test.dialogs.texts(), (QStringList {"Error", "Timer Out"}));
    EXPECT_EQ(test.dialogs.boxes().at(0).buttons, platform::mb::OKOnly);
    EXPECT_EQ(test.dialogs.boxes().at(0).title, platform::applicationTitle());
}

TEST_F(Identity, RegisterSNAsksUntilEightDigits)
{
    for (const char *typed : {"1234567", "1234567a", "87654321"})
        test.dialogs.type(QString::fromLatin1(typed));
    test.dialogs.answer(platform::mb::OK);
    test.dialogs.answer(platform::mb::OK);
    display.mnuRSN_Click();

    EXPECT_EQ(test.dialogs.texts(),
              (QStringList {"Input Serial Number ",
                            "input wrong",
                            "Input Serial Number ",
                            "input wrong",
                            "Input Serial Number "}));
    EXPECT_EQ(display.CurrentSN, QStringLiteral("87654321"));
    EXPECT_EQ(serialInImage(), QByteArray::fromHex("87654321"));
    EXPECT_TRUE(test.serial.sent(1).isEmpty()); // the scale is not contacted

    test.dialogs.clear();
    test.dialogs.type(QString()); // Cancel
    display.mnuRSN_Click();
    EXPECT_EQ(display.CurrentSN, QStringLiteral("87654321"));
    EXPECT_TRUE(test.dialogs.allAnswersUsed());
}

TEST_F(Identity, ChangeSNWritesTheFourBytesInOrder)
{
    test.dialogs.type(QStringLiteral("31415926"));
    test.dialogs.answer(platform::mb::OK);
    display.mnuSSN_Click();
    EXPECT_EQ(test.dialogs.texts().last(), QStringLiteral("Modify Password successfully"));
    EXPECT_EQ(test.serial.sent(1), QByteArray::fromHex("5A070031 5A070141 5A070259 5A070326"));
    EXPECT_EQ(scale.serialNumber(), QStringLiteral("31415926"));
    EXPECT_EQ(display.RdSN(), QStringLiteral("31415926"));

    // A scale that does not answer: "Timer Out" once, after two tries of the first byte.
    test.serial.clearRecords();
    test.dialogs.clear();
    scale.setSilent(true);
    test.dialogs.type(QStringLiteral("27182818"));
    test.dialogs.answer(platform::mb::OK);
    int pointerDuring = -1;
    test.clock.scheduleIn(5'000, [&] { pointerDuring = display.MousePointer(); });
    display.mnuSSN_Click();
    EXPECT_EQ(pointerDuring, platform::vbHourglass);
    EXPECT_EQ(display.MousePointer(), platform::vbDefault);
    EXPECT_EQ(test.dialogs.texts(), (QStringList {"Input Serial Number ", "Timer Out"}));
    EXPECT_EQ(test.serial.sent(1), QByteArray::fromHex("5A070027 5A070027"));
    EXPECT_EQ(display.CurrentSN, QStringLiteral("27182818"));
}

} // namespace
