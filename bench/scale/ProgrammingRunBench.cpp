// A whole programming run of the update window through the real serial port, against
// kovara-virtual-scale paced at 19200 baud (no extra write time) on a pseudo-terminal: the window
// is shown with an update file in the working folder and its activation runs the update (load,
// serial number, session, 512 blocks programmed, 512 verified, close).
//
// Prints the run's wall time against the line's floor of 70.94 s (512 x 132 bytes while
// programming and 512 x 134 while verifying, at 10 bits a byte), the CPU time this process spent
// during the run, and the process's peak memory; exits 1 when a target is missed or the scale's
// flash does not equal the file's image. Run it with bench/run-programming.sh.

#include "UpdateFile.h"

#include "app/UpdateFlow.h"
#include "device/ScaleProgrammer.h"
#include "net/Downloader.h"
#include "net/InternetProbe.h"
#include "net/MakerClient.h"
#include "platform/Clock.h"
#include "platform/DiskSpace.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/SerialPort.h"
#include "platform/Shell.h"
#include "platform/SystemSerial.h"
#include "ui/Look.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include <sys/resource.h>

namespace {

constexpr double kByteMs = 10.0 * 1000.0 / 19200.0;
constexpr double kFloorMs = 512 * (132 + 134) * kByteMs;
constexpr double kWallTarget = 1.02;
constexpr double kCpuTargetMs = 2000;

// Any box would stop an unattended run: answer it and say what it was.
class AnsweringDialogs final : public Prompts
{
public:
    int boxes = 0;

protected:
    QMessageBox::StandardButton showBox(QWidget *, const Prompt &prompt) override
    {
        ++boxes;
        std::fprintf(stderr, "message box: %s\n", qPrintable(prompt.text));
        return QMessageBox::Ok;
    }
    QString showInput(QWidget *, const QString &, const QString &) override { return {}; }
    bool showQuit(QWidget *, QuitDialog::Subject, bool, std::function<void()>) override
    {
        return false;
    }
};

// Ends the loop when the success or the error window shows.
class NextWindowWatch final : public QObject
{
public:
    explicit NextWindowWatch(QEventLoop &loop)
        : m_loop(loop)
    {
        qApp->installEventFilter(this);
    }
    ~NextWindowWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QString name = watched->objectName();
        if (event->type() == QEvent::Show
            && (name == QLatin1String("frmSuccessUpdate")
                || name == QLatin1String("frmErrorScaleCom")))
            m_loop.quit();
        return false;
    }

private:
    QEventLoop &m_loop;
};

double cpuMs()
{
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The run's own line in the transcript (serial number, CRC-32, time of the programming alone).
QString g_runLine;
void keepRunLine(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    if (QByteArray(context.category) == "kovara.scale.link" && text.contains("verified"))
        g_runLine = text;
}

long peakKiB()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setFont(look::baseFont());
    QLoggingCategory::setFilterRules(
        QStringLiteral("kovara.*.info=false\nkovara.scale.link.info=true"));
    qInstallMessageHandler(keepRunLine);

    QTemporaryDir ports;
    QTemporaryDir working;
    const platform::WorkingFolder files(working.path());
    AnsweringDialogs dialogs;

    const QString serial = QStringLiteral("20231187");
    const QString dump = ports.filePath(QStringLiteral("COM3.flash"));
    QProcess scale;
    scale.start(
        QStringLiteral(KOVARA_BIN_DIR "/kovara-virtual-scale"),
        {"--ports-dir", ports.path(), "--com", "3", "--serial", serial, "--pace", "--dump", dump});
    while (scale.waitForReadyRead(5000) && !scale.canReadLine()) { }
    if (!scale.readLine().startsWith("COM3 -> ")) {
        std::fprintf(stderr, "kovara-virtual-scale did not start\n");
        return 2;
    }

    const QByteArray source = testing_support::applicationImage(5);
    testing_support::writeUpdateFile(files.updateFile(), source);
    // Shows the success window when the run hands over, as in the program.
    // Neither the maker nor the internet is asked in this run: it starts on the update window.
    QNetworkAccessManager network;
    net::MakerClient maker(network, QString());
    net::HttpInternetProbe probe(QString {});
    platform::StorageDiskSpace disk;
    net::Downloader downloader(network, disk);
    platform::SystemSerial serialPorts(ports.path());
    platform::SystemClock clock;
    device::ScaleProgrammer programmer(serialPorts, clock);
    platform::DesktopShell shell;
    // The success window's Exit is not pressed in this run.
    platform::SystemProcess process;
    const net::MakerAddresses addresses = net::MakerAddresses::built();
    const QList<core::TrustedKey> trusted = testing_support::keysOfThisBuild();
    UpdateFlow flow({dialogs,
                     maker,
                     addresses,
                     probe,
                     downloader,
                     programmer,
                     serialPorts,
                     clock,
                     shell,
                     process,
                     files,
                     trusted});
    programmer.setPortNumber(3);
    flow.goTo(UpdateFlow::Screen::ScaleUpdate);
    QWidget *display = nullptr;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("frmDisplay"))
            display = window;
    }

    const long peakBefore = peakKiB();
    const double cpuBefore = cpuMs();
    QElapsedTimer wall;
    wall.start();
    // The run is on the scale's thread; this one waits until the flow shows the window that
    // follows it.
    QEventLoop ended;
    NextWindowWatch watch(ended);
    QTimer::singleShot(5 * 60'000, &ended, &QEventLoop::quit);
    // The run starts when the window becomes the active one, as the user's click makes it.
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(display, &activate);
    ended.exec();
    const double wallMs = double(wall.nsecsElapsed()) / 1e6;
    const double cpuRunMs = cpuMs() - cpuBefore;
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool handedOver = std::any_of(windows.begin(), windows.end(), [](const QWidget *window) {
        return window->isVisible() && window->objectName() == QLatin1String("frmSuccessUpdate");
    });

    scale.terminate();
    scale.waitForFinished(5000);
    QFile flash(dump);
    const bool equal = flash.open(QIODevice::ReadOnly)
        && flash.readAll() == testing_support::programmedImage(source, serial);

    const double ratio = wallMs / kFloorMs;
    std::printf("programming run (load, serial number, 512 blocks programmed and verified)\n");
    std::printf("  wall time      %8.2f s   floor %.2f s   ratio %.4f (target <= %.2f)\n",
                wallMs / 1000,
                kFloorMs / 1000,
                ratio,
                kWallTarget);
    std::printf("  per exchange   %8.2f ms above the line's time\n", (wallMs - kFloorMs) / 1024);
    std::printf("  transcript     %s\n", qPrintable(g_runLine));
    std::printf(
        "  CPU time       %8.3f s   (target < %.1f s)\n", cpuRunMs / 1000, kCpuTargetMs / 1000);
    std::printf("  peak memory    %8.1f MiB (%.1f MiB before the run)\n",
                double(peakKiB()) / 1024,
                double(peakBefore) / 1024);
    std::printf("  success screen %s, scale flash equals the file's image: %s, message boxes %d\n",
                handedOver ? "shown" : "NOT shown",
                equal ? "yes" : "NO",
                dialogs.boxes);
    const bool met = handedOver && equal && ratio <= kWallTarget && cpuRunMs < kCpuTargetMs;
    return met ? 0 : 1;
}
