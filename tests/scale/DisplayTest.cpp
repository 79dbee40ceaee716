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

// The read-back buttons of the flow's window: LDROM and APROM each tell their outcome; a block
// that times out is only noted in LDROM, and ends APROM on the error window.
TEST_F(Display, ReadButtonsTellTheOutcomeOfEachArea)
{
    virtual_scale::VirtualScale &scale = test.serial.addScale(1, QStringLiteral("20231187"));
    test.scale.setPortNumber(1);
    test.scale.open();
    testing_support::ScaleScreen display {test.flow};
    display.show();
    test.dialogs.answer(QMessageBox::Ok);
    display.click("LDROM");
    display.click("Read");
    // The session opens with the scale's serial number, registered by hand.
    test.dialogs.type(QStringLiteral("20231187"));
    display.trigger("mnuRSN");
    test.dialogs.answer(QMessageBox::Ok);
    display.click("APROM");
    display.click("Read");
    EXPECT_EQ(test.dialogs.texts(),
              (QStringList {
                  "LDROM Read suceessfully", "Input Serial Number ", "APROM Read successfully"}));
    core::FlashImage flash;
    for (int address = 0; address < scale.flash().size(); ++address)
        flash.set(address, quint8(scale.flash().at(address)));
    EXPECT_EQ(display.page(),
              core::pageText(flash, 0).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_FALSE(display.progressShown());
    EXPECT_FALSE(display.busy());

    scale.addFault(
        virtual_scale::Fault::ignore(virtual_scale::kReadBlock, -1, virtual_scale::kAlways));
    display.click("LDROM");
    display.click("Read");
    EXPECT_TRUE(display.isVisible());
    display.click("APROM");
    display.click("Read");
    EXPECT_TRUE(testing_support::isShown(QStringLiteral("frmErrorScaleCom")));
    EXPECT_FALSE(display.isVisible());
    EXPECT_EQ(test.serial.sent(1).right(1), QByteArray("\x4B"));
    EXPECT_EQ(test.dialogs.boxes().size(), 3u);
}

} // namespace
