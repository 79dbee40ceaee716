// A whole update run of the real windows through the real serial port: kovara-virtual-scale on a
// pseudo-terminal linked as COM3, the update file in the working folder, the update window shown.

#include "UpdateFile.h"
#include "VirtualScalePorts.h"
#include "WizardPlatform.h"

#include "device/ScaleProgrammer.h"
#include "platform/Files.h"
#include "platform/SerialPort.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(UpdateRunOnPty, TheScaleEndsUpHoldingTheUpdateFile)
{
    // Real ports and real time for this one.
    testing_support::WizardPlatform test({nullptr, true});
    testing_support::VirtualScalePorts ports;
    ASSERT_TRUE(ports.startScale(3, {"--serial", "20231187"}));

    const QByteArray source = testing_support::applicationImage(3);
    ASSERT_TRUE(testing_support::writeUpdateFile(test.files.updateFile(), source));
    test.scale.setPortNumber(3);
    test.flow.goTo(UpdateFlow::Screen::ScaleUpdate);
    testing_support::activate(testing_support::topLevel(QStringLiteral("frmDisplay")));
    EXPECT_TRUE(QTest::qWaitFor(
        [] { return testing_support::isShown(QStringLiteral("frmSuccessUpdate")); }, 60'000));
    EXPECT_TRUE(test.dialogs.boxes().empty()) << test.dialogs.texts().join('|').toStdString();

    // The scale writes its flash out when a session is closed: the closing byte got there.
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(ports.dumpPath(3)) && waited.elapsed() < 5000)
        QTest::qWait(20);
    const QByteArray expected = testing_support::programmedImage(source, "20231187");
    EXPECT_EQ(ports.flash(3), expected) << "dump after the session";
    ports.stopScale(3);
    EXPECT_EQ(ports.flash(3), expected);
}

} // namespace
