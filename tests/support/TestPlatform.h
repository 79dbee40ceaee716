#pragma once

// A full set of platform doubles for one test, and the program's flow between the windows made
// with them, as main() makes it: a virtual clock, scripted boxes, a probe that gives a set answer,
// a shell that records what it opened, a process end that is recorded instead of ending the test,
// serial ports with virtual scales, the maker's servers answering that the program is current and
// no update is on offer, and a fresh working folder. A test of the real path gives the flow the
// real network, or the real ports and time. On destruction the windows the program left are
// deleted, so each test starts a fresh run of the program.

#include "FakeMaker.h"
#include "ScriptedDialogs.h"
#include "UpdateFile.h"
#include "VirtualClock.h"
#include "VirtualScaleSerial.h"

#include "app/UpdateFlow.h"
#include "core/UpdateSignature.h"
#include "device/ScaleProgrammer.h"
#include "net/Downloader.h"
#include "net/InternetProbe.h"
#include "net/MakerClient.h"
#include "platform/DiskSpace.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "platform/SystemSerial.h"

#include <QAbstractButton>
#include <QNetworkAccessManager>
#include <QSysInfo>

#include <QTemporaryDir>
#include <iostream>

#include <memory>
#include <optional>
#include <ostream>

namespace testing_support {

class FakeProbe final : public net::InternetProbe
{
public:
    bool reachable = true;
    int calls = 0;
    // Keeps the answer until answer() gives it, as a slow network would.
    bool holdAnswer = false;
    void answer();
    void start(Done done) override;

private:
    Done m_pending;
};

// The disk the downloader measures: the real one unless a test sets the free bytes.
class SetDiskSpace final : public platform::DiskSpace
{
public:
    std::optional<qint64> free;
    qint64 freeBytes(const QString &path) override
    {
        return free ? *free : platform::StorageDiskSpace().freeBytes(path);
    }
};

class FakeShell final : public platform::Shell
{
public:
    Result result = Result::Opened;
    QStringList opened;
    Result open(const QString &address) override
    {
        opened << address;
        return result;
    }
};

// Records the end of the program and stops every modal loop, as the end of the process would.
class RecordingProcess final : public platform::Process
{
public:
    int ends = 0;
    int status = 0;
    bool ended() const { return ends > 0; }
    void end(int endStatus) override
    {
        ++ends;
        status = endStatus;
    }
};

class TestPlatform
{
    QTemporaryDir m_folder;
    // The system's ports and time, for the tests of the real path; first, as the members below
    // are made with them.
    platform::SystemSerial m_realPorts;
    platform::SystemClock m_realClock;

public:
    struct Options
    {
        // The maker's questions go over this network instead (the real one, to a real server).
        QNetworkAccessManager *network = nullptr;
        // The system's serial ports in this folder (VirtualScalePorts) and its clock, instead of
        // the virtual ones.
        QString realPortsFolder;
        // The screens' ticks: short, so that a test waits for what follows rather than steps;
        // the version check and the banner's blink as in the program.
        ScreenPace pace = {std::chrono::milliseconds(1), std::chrono::milliseconds(1)};
        // Where the maker's servers are: the real network's server, or only names for the fake.
        net::MakerAddresses addresses = net::MakerAddresses::built();
    };

    TestPlatform()
        : TestPlatform(Options {})
    { }
    explicit TestPlatform(Options options);
    ~TestPlatform();
    TestPlatform(const TestPlatform &) = delete;
    TestPlatform &operator=(const TestPlatform &) = delete;

    VirtualClock clock;
    ScriptedDialogs dialogs;
    FakeProbe probe;
    FakeShell shell;
    RecordingProcess process;
    // The serial ports: none until a test adds them (a virtual scale, a busy port, ...).
    VirtualScaleSerial serial {clock};
    // The maker's servers, unless the test gives a real network.
    FakeMaker maker;
    // The working files, in a fresh folder of the test's own.
    const platform::WorkingFolder files {m_folder.path()};
    const net::MakerAddresses addresses;
    // The keys the build trusts: the maker server tool's in the development presets.
    const QList<core::TrustedKey> trusted;

private:
    std::unique_ptr<net::MakerClient> m_realMaker;

public:
    // Downloads go over the real network (to the maker server tool on loopback) unless told.
    QNetworkAccessManager realNetwork;
    SetDiskSpace disk;
    net::Downloader downloader;
    // The scale's port, as the flow uses it.
    device::ScaleProgrammer scale;
    UpdateFlow flow;

    // Creates a file of the working folder with some content.
    void touchWorkingFile(const QString &name, const QByteArray &content = "x");
    // Runs events until no question to the maker's servers is out and the input held meanwhile
    // has been delivered.
    void waitForChecks();

private:
    // The system's or the virtual ones, as the options say.
    platform::SerialSystem &ports(const Options &options);
    const platform::Clock &time(const Options &options) const;
};

// The default scale (COM1, serial number 20231187) holds the application image with its serial
// number: a whole update has been made and verified.
inline bool updated(TestPlatform &test)
{
    return test.serial.scale(1)->flash() == programmedImage(applicationImage(), "20231187");
}

// A plain yellow picture as a JPEG file's bytes (a banner, say).
QByteArray jpeg(int width, int height);

// The program's top-level window of that object name (the visible one first), or nullptr.
QWidget *topLevel(const QString &objectName);
// That window is on screen.
bool isShown(const QString &objectName);
// A button of the window on screen of that object name, or nullptr.
QAbstractButton *button(const QString &window, const QString &name);
// What the window manager does when the user brings the window to the front.
void activate(QWidget *window);
// Runs queued events (deferred deletes included) without waiting.
void processEvents();

// The program's info lines off (the default in tests; a test that reads them turns them on).
void quietLogging();

// Whether the tests run on Linux (else they are Windows programs under Wine).
inline bool onLinux()
{
    return QSysInfo::kernelType() == QLatin1String("linux");
}

// A table's row that needs what only Linux has (what, or nullptr for none): true, saying so,
// when it is to be skipped here.
inline bool skipsHere(const char *linuxOnly)
{
    if (!linuxOnly || onLinux())
        return false;
    std::cout << "row skipped, Linux only: " << linuxOnly << '\n';
    return true;
}

} // namespace testing_support

// A test of a Linux-only thing (xdg-open, the XDG folders, /dev/full) skips elsewhere, saying why.
#define KOVARA_LINUX_ONLY(why)                                                                     \
    if (!testing_support::onLinux())                                                               \
    GTEST_SKIP() << "Linux only: " << why

// Readable QStrings in GoogleTest's messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
