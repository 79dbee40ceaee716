// The update window: what its load sets up, its menus, the page view and its buttons, and the
// port menu.

#include "ScriptedSerial.h"
#include "TestPlatform.h"

#include "app/frmWelcome.h"
#include "platform/Dialogs.h"
#include "platform/Look.h"
#include "scale/frmDisplay.h"

#include <QMenuBar>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class Display : public ::testing::Test
{
protected:
    TestPlatform test;
    ScriptedSerialSystem serial {test.clock};
    frmDisplay &display = Forms::frmDisplay();
};

TEST_F(Display, UsingThePortLoadsTheWindowHiddenWithItsDesignTimeState)
{
    display.CurrentSN = QStringLiteral("12345678");
    display.MSComm1();
    EXPECT_TRUE(display.isLoaded());
    EXPECT_FALSE(display.isVisible());
    EXPECT_TRUE(Forms::frmWelcome().isLoaded());
    EXPECT_FALSE(Forms::frmWelcome().isVisible());

    EXPECT_EQ(display.Caption(), QStringLiteral("Kovara Scale Update"));
    EXPECT_EQ(display.lblVersion->text(), QStringLiteral("Kovara PC Program Version 5.0"));
    EXPECT_EQ(look::backgroundOf(display.lblStatus.get()), QColor(154, 222, 248));
    EXPECT_TRUE(display.AskExit);
    EXPECT_EQ(display.CurrentSN, QString());
    ASSERT_NE(serial.lastPort, nullptr);
    EXPECT_TRUE(serial.lastPort->configured);
    EXPECT_FALSE(serial.lastPort->isOpen());
    EXPECT_EQ(serial.lastPort->settings.baudRate, 19200);

    EXPECT_EQ(display.FlashImage.at(0x0000), 0xFF);
    EXPECT_EQ(display.FlashImage.bytes(0x0700, 4), QByteArray(4, '\0'));
    EXPECT_EQ(display.PageNo, 0);
    EXPECT_FALSE(display.up->isEnabled());
    EXPECT_TRUE(display.down->isEnabled());
    EXPECT_TRUE(display.APROM->isChecked());
    EXPECT_FALSE(display.LDROM->isChecked());
    EXPECT_EQ(display.mnuAPROM->text(), QStringLiteral("->APROM<-"));
    EXPECT_EQ(display.mnuLDROM->text(), QStringLiteral("  LDROM  "));
    EXPECT_TRUE(display.txtPage->isReadOnly());
    EXPECT_EQ(display.Label1->text(),
              QStringLiteral("ADDR   0  1  2  3  4  5  6  7- 8  9  A  B  C  D  E  F "));

    QStringList menus;
    for (QAction *menu : display.window()->findChild<QMenuBar *>()->actions()) {
        QStringList items;
        for (QAction *item : menu->menu()->actions())
            items << item->text();
        menus << menu->text() + QLatin1Char(':') + items.join(QLatin1Char('|'));
    }
    EXPECT_EQ(menus,
              (QStringList {"&File:&Load |E&xit",
                            "&Run:&Auto|&Program|&Read",
                            "&Select:->APROM<-|  LDROM  ",
                            "Serial Number:Change SN|Register SN",
                            "&PC Port:COM1|COM2"}));
}

TEST_F(Display, PageTextLayoutAndPageButtons)
{
    display.Load();
    for (int a = 0; a < 16; ++a)
        display.FlashImage.set(a, quint8(a * 17));
    display.FlashImage.set(0xFFFF, 0x0A);
    display.ShowPage();

    const QStringList lines = display.PageText.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 1025); // 1024 lines, each ended by CR LF
    EXPECT_EQ(display.PageText.size(), 1024 * 56);
    EXPECT_EQ(lines.first(),
              QStringLiteral("0000  00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF "));
    EXPECT_EQ(lines.at(0x70),
              QStringLiteral("0700  00 00 00 00 FF FF FF FF FF FF FF FF FF FF FF FF "));
    EXPECT_TRUE(display.txtPage->toPlainText().startsWith(lines.first() + QLatin1Char('\n')));

    display.down_Click();
    display.down_Click();
    EXPECT_TRUE(display.down->isEnabled());
    display.down_Click();
    EXPECT_EQ(display.PageNo, 3);
    EXPECT_FALSE(display.down->isEnabled());
    EXPECT_TRUE(display.up->isEnabled());
    const QStringList last = display.PageText.split(QStringLiteral("\r\n"));
    EXPECT_EQ(last.at(0), QStringLiteral("C000  FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF "));
    EXPECT_EQ(last.at(1023),
              QStringLiteral("FFF0  FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 0A "));

    display.up_Click();
    display.up_Click();
    EXPECT_TRUE(display.up->isEnabled());
    display.up->click();
    EXPECT_EQ(display.PageNo, 0);
    EXPECT_FALSE(display.up->isEnabled());
    EXPECT_TRUE(display.down->isEnabled());
    EXPECT_EQ(scale::pageText(display.FlashImage, 7), scale::pageText(display.FlashImage, 0));
}

TEST_F(Display, PortMenuMovesThePortAndShowsWhyItCannotOpen)
{
    serial.ends[1] = FarEnd {};
    serial.ends[2] = FarEnd {};
    display.mnuComm1->trigger();
    EXPECT_TRUE(display.MSComm1().isOpen());
    EXPECT_EQ(display.MSComm1().commPort(), 1);
    EXPECT_EQ(display.mnuComm1->text(), QStringLiteral("-> COM1 <-"));
    EXPECT_EQ(display.mnuComm2->text(), QStringLiteral("   COM2   "));

    display.mnuComm2->trigger();
    EXPECT_TRUE(display.MSComm1().isOpen());
    EXPECT_EQ(display.MSComm1().commPort(), 2);
    EXPECT_EQ(display.mnuComm1->text(), QStringLiteral("   COM1   "));
    EXPECT_EQ(display.mnuComm2->text(), QStringLiteral("-> COM2 <-"));
    EXPECT_EQ(serial.opened, (std::vector<int> {1, 2}));

    display.mnuComm1_Click();
    serial.ends[2].refuse = platform::SerialError::Kind::Busy;
    test.dialogs.answer(platform::mb::OK);
    display.mnuComm2_Click();
    EXPECT_FALSE(display.MSComm1().isOpen());
    EXPECT_EQ(display.mnuComm2->text(), QStringLiteral("-> COM2 <-"));
    ASSERT_EQ(test.dialogs.boxes().size(), 1u);
    EXPECT_EQ(test.dialogs.boxes().at(0).text, QStringLiteral("COM2 cannot be opened."));
    EXPECT_EQ(test.dialogs.boxes().at(0).icon, platform::mb::Exclamation);
}

TEST_F(Display, ThePortClosesWithTheWindowAndKeepsItsNumber)
{
    serial.ends[3] = FarEnd {};
    display.MSComm1().setCommPort(3);
    display.MSComm1().open();
    display.AskExit = false;
    ASSERT_TRUE(display.Close());
    processEvents();
    EXPECT_FALSE(serial.lastPort->isOpen());
    EXPECT_EQ(display.MSComm1().commPort(), 3);
}

} // namespace
