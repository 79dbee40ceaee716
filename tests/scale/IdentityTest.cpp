// The serial number: its form, writing it into the image and into the scale, and the two service
// commands that set it.

#include "ScaleScreen.h"
#include "WizardPlatform.h"

#include "device/PortList.h"
#include "device/ScaleIdentity.h"

#include <gtest/gtest.h>

#include <optional>

using namespace testing_support;

namespace {

using virtual_scale::Fault;

class Identity : public ::testing::Test
{
protected:
    Identity()
    {
        test.scale.setPortNumber(1);
        test.scale.open();
    }

    QByteArray serialInImage() const { return display.image().bytes(0x0700, 4); }

    WizardPlatform test;
    virtual_scale::VirtualScale &scale = test.serial.addScale(1, QStringLiteral("20231187"));
    ScaleScreen display {test.scale, test.dialogs, test.files.updateFile()};
};

TEST(SerialNumber, PortsAreTriedInNumericOrderOnceAndOnlyEightDigitsAreANumber)
{
    EXPECT_EQ(
        device::portNumbers({"COM3", "COM10", "COM1", "COM3", "LPT1", "COM2x", "COM", "COM02"}),
        (QList<int> {1, 2, 3, 10}));
    EXPECT_TRUE(device::isSerialNumber(QStringLiteral("01234567")));
    for (const char *answer : {"", "1234567", "123456789", "1234A678", "1234567:", "1234567/"})
        EXPECT_FALSE(device::isSerialNumber(QString::fromLatin1(answer))) << answer;
}

TEST_F(Identity, UpdateSNPacksTheDigitsTwoToAByte)
{
    core::FlashImage image;
    const auto written = [&image](const char *serial) {
        device::writeSerialNumber(image, QString::fromLatin1(serial));
        return image.bytes(0x0700, 4);
    };
    EXPECT_EQ(written("20231187"), QByteArray::fromHex("20231187"));
    EXPECT_EQ(written(""), QByteArray::fromHex("00000000"));
    // A short text or a non-digit counts as 0.
    EXPECT_EQ(written("12x4"), QByteArray::fromHex("12040000"));
}

TEST_F(Identity, RegisterSNAsksUntilEightDigits)
{
    for (const char *typed : {"1234567", "1234567a", "87654321"})
        test.dialogs.type(QString::fromLatin1(typed));
    test.dialogs.answer(QMessageBox::Ok);
    test.dialogs.answer(QMessageBox::Ok);
    display.trigger("mnuRSN");

    EXPECT_EQ(test.dialogs.texts(),
              (QStringList {"Input Serial Number ",
                            "input wrong",
                            "Input Serial Number ",
                            "input wrong",
                            "Input Serial Number "}));
    EXPECT_EQ(serialInImage(), QByteArray::fromHex("87654321"));
    EXPECT_TRUE(test.serial.sent(1).isEmpty()); // the scale is not contacted

    test.dialogs.clear();
    test.dialogs.type(QString()); // Cancel
    display.trigger("mnuRSN");
    EXPECT_EQ(serialInImage(), QByteArray::fromHex("87654321"));
    EXPECT_TRUE(test.dialogs.allAnswersUsed());
}

// Change SN stores the four bytes in order, each tried twice, and says how it went.
TEST_F(Identity, ChangeSNStoresTheFourBytesAndSaysHowItWent)
{
    const QByteArray first = QByteArray::fromHex("5A070031");
    const QByteArray all = first + QByteArray::fromHex("5A070141 5A070259 5A070326");
    const struct
    {
        const char *what;
        std::optional<Fault> fault;
        QString message;
        QByteArray sent;
    } rows[] = {
        {"every byte taken", std::nullopt, "Modify Password successfully", all},
        {"first byte refused once",
         Fault::refuse(virtual_scale::kStoreByte, -1, 1),
         "Modify Password successfully",
         first + all},
        {"first byte refused twice",
         Fault::refuse(virtual_scale::kStoreByte, -1, 2),
         "Error",
         first + first},
        {"a silent scale",
         Fault::ignore(virtual_scale::kStoreByte, -1, virtual_scale::kAlways),
         "Timer Out",
         first + first},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        test.serial.clearRecords();
        test.dialogs.clear();
        scale.clearFaults();
        scale.setSerialNumber(QStringLiteral("11111111"));
        if (row.fault)
            scale.addFault(*row.fault);
        test.dialogs.type(QStringLiteral("31415926"));
        test.dialogs.answer(QMessageBox::Ok);
        bool busyDuring = true;
        if (row.message == QLatin1String("Timer Out"))
            test.clock.scheduleIn(5'000, [&] { busyDuring = display.busy(); });
        display.trigger("mnuSSN");
        EXPECT_EQ(test.dialogs.texts(), (QStringList {"Input Serial Number ", row.message}));
        EXPECT_EQ(test.serial.sent(1), row.sent);
        EXPECT_FALSE(display.busy());
        EXPECT_EQ(serialInImage(), QByteArray::fromHex("31415926"));
        if (row.message.startsWith(QLatin1String("Modify"))) {
            EXPECT_EQ(scale.serialNumber(), QStringLiteral("31415926"));
        } else {
            EXPECT_EQ(test.dialogs.boxes().at(1).buttons, QMessageBox::Ok);
            EXPECT_TRUE(busyDuring);
        }
    }
}

} // namespace
