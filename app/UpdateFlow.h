#pragma once

// Which window comes next. Every edge of the wizard from one window to another is a line of this
// class: a window reports what happened (the internet answered, the scale was found, the user
// chose Retry) and the flow shows the next window and closes or hides the one that reported, in
// the order the user sees them.
//
// A window is built when it is entered and deleted when it is left. The flow owns what outlives
// a window: the session, the maker's checks, the download and the scale programmer, which it
// hands to the controllers beside the windows that use them.

#include "app/Desktop.h"
#include "app/MakerChecks.h"
#include "app/ScaleLookup.h"
#include "app/Session.h"
#include "core/UpdateSignature.h"
#include "device/ScaleProgrammer.h"
#include "net/Downloader.h"
#include "net/InternetProbe.h"
#include "net/MakerAddresses.h"
#include "ui/ScaleErrorWindow.h"

#include <QObject>

#include <chrono>
#include <memory>

namespace platform {
class WorkingFolder;
} // namespace platform

class DownloadDialog;
class DownloadRun;
class DownloadedWindow;
class HelpWindow;
class MainWindow;
class NotConnectedWindow;
class PortSearchWindow;
class ScaleUpdate;
class ScaleUpdateWindow;
class StartUpWindow;
class UpdateFileWindow;
class UpdatedWindow;
class VersionWindow;
class Prompts;
class QWidget;

// How long the screens' own pauses last; tests shorten them.
struct ScreenPace
{
    // One tick of the start-up screen (the internet check on the second, the end on the third).
    std::chrono::milliseconds startUpTick = std::chrono::seconds(1);
    // One tick of the last screen's wait for the scale to restart (eleven of them).
    std::chrono::milliseconds successTick = std::chrono::seconds(1);
    // From the end of the update check to the version check.
    std::chrono::milliseconds versionDelay = std::chrono::milliseconds(550);
    // The banner's blink on the main window: shown, then hidden, for this long each.
    std::chrono::milliseconds bannerBlink = std::chrono::seconds(1);
};

class UpdateFlow final : public QObject
{
    Q_OBJECT
public:
    enum class Screen {
        StartUp,      // StartUpWindow
        NotConnected, // NotConnectedWindow
        PortSearch,   // PortSearchWindow
        ScaleMissing, // ScaleErrorWindow: the search or the serial-number read found no scale
        Main,         // MainWindow
        Help,         // HelpWindow
        NewVersion,   // VersionWindow: the maker has another program version
        UpdateFile,   // UpdateFileWindow: the address of the update file, and its download
        Downloaded,   // DownloadedWindow
        ScaleUpdate,  // ScaleUpdateWindow
        ScaleLost,    // ScaleErrorWindow: the scale stopped answering in the update
        Updated,      // UpdatedWindow
    };

    // What the flow works with: the message boxes, the maker's servers and their addresses, the
    // internet check, the update file's download, the scale, the serial ports, the clock, the
    // desktop's opener, the end of the process and the working folder.
    struct Services
    {
        Prompts &prompts;
        net::MakerService &maker;
        const net::MakerAddresses &addresses;
        net::InternetProbe &probe;
        net::Downloader &downloader;
        device::ScaleProgrammer &scale;
        platform::SerialSystem &ports;
        const platform::Clock &clock;
        platform::Shell &shell;
        platform::Process &process;
        const platform::WorkingFolder &files;
        // The keys whose signatures on update files are trusted.
        const QList<core::TrustedKey> &trusted;
    };

    explicit UpdateFlow(const Services &services, ScreenPace pace = {}, QObject *parent = nullptr);
    ~UpdateFlow() override;

    void start() { goTo(Screen::StartUp); }
    // Shows the screen (loading it first when it is not loaded).
    void goTo(Screen screen);

private:
    // Every edge: the next screen is shown, then the one that led to it is left.
    template<class Window> void moveOn(Screen next, std::unique_ptr<Window> &from);
    // Shows a screen the flow has just built, as every window of the program shows.
    void show(QWidget *screen);
    // Closes a screen that is being left; it goes once the event that left it has been handled.
    template<class Window> void leaveScreen(std::unique_ptr<Window> &screen);
    // The window's Exit or close box (each signal given) asks the quit question over it.
    template<class Window, class... Signals> void askQuitOn(Window *window, Signals... signal);

    void buildMain();
    void showMain();
    void showNotConnected();
    void showDownloaded();
    void showUpdated();
    void showHelp();
    void showNewVersion();
    void showStartUp();
    void showScaleUpdate();
    // The scale window's Exit and close box: while the scale is being written, Yes stops the run
    // between two frames and the program ends once the port is released.
    void showPortSearch();
    void showUpdateFile();
    void download(const QString &link);
    void downloadEnded(bool ok);
    void showScaleError(ScaleErrorWindow::Kind kind);

    Prompts &m_prompts;
    const net::MakerAddresses &m_addresses;
    net::InternetProbe &m_probe;
    Desktop m_desktop;
    const platform::WorkingFolder &m_files;
    const QList<core::TrustedKey> &m_trusted;
    net::Downloader &m_downloader;
    const platform::Clock &m_clock;
    const ScreenPace m_pace;
    Session m_session;
    MakerChecks m_checks;
    // The scale's port and every exchange with it, for the whole run.
    device::ScaleProgrammer &m_scale;
    ScaleLookup m_lookup;
    // The screens built on entry, while they are up.
    std::unique_ptr<StartUpWindow> m_startUp;
    std::unique_ptr<NotConnectedWindow> m_notConnected;
    std::unique_ptr<PortSearchWindow> m_portSearch;
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<HelpWindow> m_help;
    std::unique_ptr<VersionWindow> m_version;
    std::unique_ptr<UpdateFileWindow> m_updateFile;
    // The download dialog and its run, while the update file downloads.
    std::unique_ptr<DownloadDialog> m_downloadDialog;
    std::unique_ptr<DownloadRun> m_download;
    std::unique_ptr<DownloadedWindow> m_downloaded;
    std::unique_ptr<ScaleUpdateWindow> m_scaleUpdateWindow;
    std::unique_ptr<ScaleUpdate> m_scaleUpdate;
    std::unique_ptr<ScaleErrorWindow> m_scaleError;
    std::unique_ptr<UpdatedWindow> m_updated;
};
