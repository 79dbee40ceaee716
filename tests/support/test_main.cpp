// main() of every widget test binary: a QApplication on the offscreen platform, then GoogleTest.

#include "ScreenRecord.h"
#include "TestPlatform.h"
#include "ui/Look.h"

#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing_support::quietLogging();
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setFont(look::baseFont());
    ::testing::InitGoogleMock(&argc, argv);
    testing_support::markTestsRun();
    return RUN_ALL_TESTS();
}
