// The update window's service tools on their own: the design it starts from, the page view with
// its buttons, the port menu, and the port closing with the window.

#include "ScaleScreen.h"
#include "WizardPlatform.h"

#include "device/ScaleProgrammer.h"

#include <gtest/gtest.h>

namespace {

using State = testing_support::VirtualScaleSerial::PortState;

class Display : public ::testing::Test
{
protected:
    testing_support::WizardPlatform test;
};

TEST_F(Display, TheWindowStartsFromItsDesign)
{
    testing_support::ScaleScreen display(test.scale, test.dialogs, test.files.updateFile());
    EXPECT_EQ(display.label("lblVersion"), QStringLiteral("Kovara PC Program Version 5.0"));
    EXPECT_EQ(display.image().at(0x1234), 0xFF);
    EXPECT_EQ(display.image().bytes(0x0700, 4), QByteArray(4, '\0')) << "no serial number yet";
    EXPECT_TRUE(display.checked("APROM"));
    EXPECT_FALSE(display.enabled("up"));
    EXPECT_TRUE(display.enabled("down"));
    EXPECT_FALSE(test.scale.isOpen());
}

TEST_F(Display, PageTextLayoutAndPageButtons)
{
    core::FlashImage image;
    image.erase();
    for (int a = 0; a < 16; ++a)
        image.set(a, quint8(a * 17));
    image.set(0xFFFF, 0x0A);
    const QString first = core::pageText(image, 0);
    QStringList lines = first.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 1025); // 1024 lines, each ended by CR LF
    EXPECT_EQ(first.size(), 1024 * 56);
    EXPECT_EQ(lines.first(),
              QStringLiteral("0000  00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF "));
    lines = core::pageText(image, 3).split(QStringLiteral("\r\n"));
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("C000  FF FF ")));
    EXPECT_EQ(lines.at(1023),
              QStringLiteral("FFF0  FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 0A "));
    EXPECT_EQ(core::pageText(image, 7), first);

    testing_support::ScaleScreen display(test.scale, test.dialogs, test.files.updateFile());
    for (int click = 0; click < 3; ++click) {
        EXPECT_TRUE(display.enabled("down"));
        display.click("down");
    }
    EXPECT_FALSE(display.enabled("down"));
    EXPECT_TRUE(display.page().startsWith(QStringLiteral("C000  FF FF ")));
    display.click("up");
    display.click("up");
    EXPECT_TRUE(display.enabled("up"));
    display.click("up");
    EXPECT_FALSE(display.enabled("up"));
    EXPECT_TRUE(display.page().startsWith(QStringLiteral("0000  FF FF ")));
    EXPECT_FALSE(display.page().contains(QLatin1Char('\r'))) << "the view shows lines, not CRs";
}

TEST_F(Display, PortMenuMovesThePortAndShowsWhyItCannotOpen)
{
    testing_support::ScaleScreen display(test.scale, test.dialogs, test.files.updateFile());
    test.serial.addPort(1, State::Empty);
    test.serial.addPort(2, State::Empty);
    display.trigger("mnuComm1");
    display.trigger("mnuComm2");
    EXPECT_TRUE(test.scale.isOpen());
    EXPECT_EQ(test.scale.portNumber(), 2);
    EXPECT_EQ(display.menuText("mnuComm1"), QStringLiteral("   COM1   "));
    EXPECT_EQ(display.menuText("mnuComm2"), QStringLiteral("-> COM2 <-"));
    EXPECT_EQ(test.serial.opens(1), 1);

    display.trigger("mnuComm1");
    EXPECT_EQ(display.menuText("mnuComm1"), QStringLiteral("-> COM1 <-"));
    test.serial.addPort(2, State::Busy);
    test.dialogs.answer(QMessageBox::Ok);
    display.trigger("mnuComm2");
    EXPECT_FALSE(test.scale.isOpen());
    EXPECT_EQ(display.menuText("mnuComm2"), QStringLiteral("-> COM2 <-"));
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_TRUE(test.dialogs.boxes().at(0).text.startsWith(
        QStringLiteral("COM2 is in use by another program.")));
    EXPECT_EQ(test.dialogs.boxes().at(0).icon, QMessageBox::Warning);
}

TEST_F(Display, ThePortClosesWithTheWindowAndKeepsItsNumber)
{
    test.serial.addPort(3, State::Empty);
    {
        testing_support::ScaleScreen display(test.scale, test.dialogs, test.files.updateFile());
        test.scale.setPortNumber(3);
        test.scale.open();
    }
    EXPECT_FALSE(test.scale.isOpen());
    EXPECT_EQ(test.scale.portNumber(), 3);
}

} // namespace
