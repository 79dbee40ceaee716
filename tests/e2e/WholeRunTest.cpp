// A whole run of the program's windows in this process with everything real but the boxes and the
// quit question: QSerialPort over a pseudo-terminal to kovara-virtual-scale, HTTP to a maker
// server tool of its own, real time. A scale whose cable comes out while it is
// programmed is updated on Retry once it is plugged back.

#include "Journey.h"
#include "MakerServer.h"
#include "UpdateFile.h"
#include "VirtualScalePorts.h"

#include <QNetworkAccessManager>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using testing_support::topLevel;

class WholeRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(server.url().isEmpty()) << "maker server did not start";
        server.put("KovaraNorvessia_APROM.hex", testing_support::intelHex(image));
        ports.addDanglingPort(1);
        journey = std::make_unique<testing_support::Journey>(test, server.url());
    }
    bool plugScale(const QStringList &extra = {})
    {
        return ports.startScale(3, QStringList {"--serial", "12345678"} + extra);
    }
    // The scale writes its flash out when a session closes: the closing byte got there.
    bool scaleUpdated()
    {
        const QByteArray expected = testing_support::programmedImage(image, "12345678");
        return QTest::qWaitFor([&] { return ports.flash(3) == expected; }, 5000);
    }
    testing_support::TestPlatform::Options realEverything()
    {
        auto options = testing_support::Journey::options();
        options.network = &network;
        options.realPortsFolder = ports.folder();
        options.addresses = net::MakerAddresses::onOneServer(server.url());
        return options;
    }

    testing_support::MakerServer server {
        testing_support::MakerServer::Files::OwnFolder, 0, {"--quiet"}};
    QNetworkAccessManager network;
    testing_support::VirtualScalePorts ports;
    testing_support::TestPlatform test {realEverything()};
    const QByteArray image = testing_support::applicationImage();
    std::unique_ptr<testing_support::Journey> journey;
};

TEST_F(WholeRun, AScaleUnpluggedWhileProgrammedIsUpdatedOnRetryOncePluggedBack)
{
    // A scale that takes its time to write, so that the cable comes out well before the end.
    ASSERT_TRUE(plugScale({"--flash-write-ms", "2"}));
    journey->run(UpdateFlow::Screen::StartUp,
                 {"frmChoosePort.cmdContinue",
                  "frmWelcome.cmdUpdate",
                  "frmCheckScale.txtLink=/files/KovaraNorvessia_APROM.hex",
                  "frmCheckScale.cmdContinue"});
    // The cable comes out a quarter of the way through.
    QTimer unplug;
    QObject::connect(&unplug, &QTimer::timeout, [&] {
        const QWidget *display = topLevel("frmDisplay");
        const auto *bar = display ? display->findChild<QProgressBar *>("ProgressBar1") : nullptr;
        if (bar && bar->maximum() > 0 && bar->value() * 4 >= bar->maximum()) {
            unplug.stop();
            ports.killScale(3);
        }
    });
    unplug.start(1);
    journey->step("frmSuccess.cmdUpdate");
    EXPECT_FALSE(unplug.isActive()) << "the run ended before the cable came out";
    ASSERT_TRUE(plugScale());
    journey->step("frmErrorScaleCom.cmdRetry");
    journey->step("frmSuccessUpdate.cmdExit");
    EXPECT_TRUE(journey->trace().endsWith(
        "+frmDisplay -frmSuccess +frmErrorScaleCom +frmDisplay -frmErrorScaleCom "
        "rm:KovaraNorvessia_APROM.hex rm:KovaraNorvessia_APROM.hex.minisig -frmDisplay "
        "+frmSuccessUpdate end"))
        << journey->trace().toStdString();
    EXPECT_TRUE(scaleUpdated());
}

} // namespace
