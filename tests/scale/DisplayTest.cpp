// The update window: its load, the page view with its buttons, and the port menu.

#include "WizardPlatform.h"

#include "app/frmDisplay.h"
#include "device/ScaleProgrammer.h"
#include "platform/Dialogs.h"

#include <gtest/gtest.h>

namespace {

using State = testing_support::VirtualScaleSerial::PortState;

class Display : public ::testing::Test
{
protected:
    testing_support::WizardPlatform test;
    frmDisplay &display = Forms::frmDisplay();
};

TEST_F(Display, UsingThePortLoadsTheWindow)
{
    display.CurrentSN = QStringLiteral("12345678");
    display.FlashImage.set(0x1234, 0x00);
    EXPECT_FALSE(display.scale().isOpen());
    EXPECT_FALSE(display.isVisible());

    EXPECT_EQ(display.lblVersion->text(), QStringLiteral("Kovara PC Program Version 5.0"));
    EXPECT_EQ(display.CurrentSN, QString());
    EXPECT_EQ(display.FlashImage.at(0x1234), 0xFF);
    EXPECT_EQ(display.FlashImage.bytes(0x0700, 4), QByteArray(4, '\0'));
    EXPECT_TRUE(display.APROM->isChecked());
    EXPECT_FALSE(display.up->isEnabled());
    EXPECT_TRUE(display.down->isEnabled());
}

TEST_F(Display, PageTextLayoutAndPageButtons)
{
    display.Load();
    for (int a = 0; a < 16; ++a)
        display.FlashImage.set(a, quint8(a * 17));
    display.FlashImage.set(0xFFFF, 0x0A);
    display.ShowPage();

    QStringList lines = display.PageText.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 1025); // 1024 lines, each ended by CR LF
    EXPECT_EQ(display.PageText.size(), 1024 * 56);
    EXPECT_EQ(lines.first(),
              QStringLiteral("0000  00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF "));
    EXPECT_TRUE(display.txtPage->toPlainText().startsWith(lines.first() + QLatin1Char('\n')));

    for (int click = 0; click < 3; ++click) {
        EXPECT_TRUE(display.down->isEnabled());
        display.down->click();
    }
    EXPECT_EQ(display.PageNo, 3);
    EXPECT_FALSE(display.down->isEnabled());
    lines = display.PageText.split(QStringLiteral("\r\n"));
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("C000  FF FF ")));
    EXPECT_EQ(lines.at(1023),
              QStringLiteral("FFF0  FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 0A "));

    display.up->click();
    display.up->click();
    EXPECT_TRUE(display.up->isEnabled());
    display.up->click();
    EXPECT_EQ(display.PageNo, 0);
    EXPECT_FALSE(display.up->isEnabled());
    EXPECT_EQ(core::pageText(display.FlashImage, 7), core::pageText(display.FlashImage, 0));
}

TEST_F(Display, PortMenuMovesThePortAndShowsWhyItCannotOpen)
{
    test.serial.addPort(1, State::Empty);
    test.serial.addPort(2, State::Empty);
    display.mnuComm1->trigger();
    display.mnuComm2->trigger();
    EXPECT_TRUE(display.scale().isOpen());
    EXPECT_EQ(display.scale().portNumber(), 2);
    EXPECT_EQ(display.mnuComm1->text(), QStringLiteral("   COM1   "));
    EXPECT_EQ(display.mnuComm2->text(), QStringLiteral("-> COM2 <-"));
    EXPECT_EQ(test.serial.opens(1), 1);

    display.mnuComm1_Click();
    EXPECT_EQ(display.mnuComm1->text(), QStringLiteral("-> COM1 <-"));
    test.serial.addPort(2, State::Busy);
    test.dialogs.answer(platform::mb::OK);
    display.mnuComm2_Click();
    EXPECT_FALSE(display.scale().isOpen());
    EXPECT_EQ(display.mnuComm2->text(), QStringLiteral("-> COM2 <-"));
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_TRUE(test.dialogs.boxes().at(0).text.startsWith(
        QStringLiteral("COM2 is in use by another program.")));
    EXPECT_EQ(test.dialogs.boxes().at(0).icon, platform::mb::Exclamation);
}

TEST_F(Display, ThePortClosesWithTheWindowAndKeepsItsNumber)
{
    test.serial.addPort(3, State::Empty);
    display.Load();
    display.scale().setPortNumber(3);
    display.scale().open();
    display.AskExit = false;
    ASSERT_TRUE(display.Close());
    testing_support::processEvents();
    EXPECT_FALSE(display.scale().isOpen());
    EXPECT_EQ(display.scale().portNumber(), 3);
}

} // namespace
