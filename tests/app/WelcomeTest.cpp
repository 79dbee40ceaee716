// The main window's two checks in the order the maker's servers see them: both run during the
// first port search, before the main window shows.

#include "TestPlatform.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using testing_support::kUpdate;
using testing_support::kVersion;
using testing_support::topLevel;

TEST(MainWindow, TheFirstPortSearchRunsBothChecksBeforeTheMainWindowShows)
{
    testing_support::TestPlatform test;
    // A scale whose number is no serial number: the search reads it and goes on, finding none.
    virtual_scale::VirtualScale &scale = test.serial.addScale(1, QStringLiteral("1234567A"));
    int askedAtTheScale = -1;
    scale.setFrameObserver(
        [&](const virtual_scale::FrameRecord &) { askedAtTheScale = test.maker.asked(kUpdate); });
    test.flow.goTo(UpdateFlow::Screen::PortSearch);
    testing_support::button("frmChoosePort", "cmdContinue")->click();
    test.waitForChecks();
    scale.setFrameObserver(nullptr);
    EXPECT_EQ(askedAtTheScale, 1) << "the update check runs before the search reads the scale";
    EXPECT_EQ(test.maker.asked(kVersion), 0) << "half a second after the update check";
    ASSERT_TRUE(QTest::qWaitFor([&] { return test.maker.asked(kVersion) == 1; }));
    EXPECT_FALSE(testing_support::isShown("frmWelcome")) << "both ran before the main window shows";

    // Back again after Retry on the error window: a fresh update check, no second version check.
    test.flow.goTo(UpdateFlow::Screen::Main);
    test.waitForChecks();
    EXPECT_EQ(topLevel("frmWelcome")->findChild<QLabel *>("lblVersion")->text(),
              QStringLiteral("Kovara PC Program Version 5.0"));
    QTest::qWait(700);
    EXPECT_EQ(test.maker.asked(kUpdate), 1) << "the same main window";
    EXPECT_EQ(test.maker.asked(kVersion), 1);
}

} // namespace
