#include "app/UpdateFlow.h"
#include "app/AppLog.h"

#include "app/DownloadRun.h"
#include "app/ScaleUpdate.h"
#include "net/MakerAddresses.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/ProgramVersion.h"
#include "ui/DownloadDialog.h"
#include "ui/DownloadedWindow.h"
#include "ui/HelpWindow.h"
#include "ui/Look.h"
#include "ui/MainWindow.h"
#include "ui/NotConnectedWindow.h"
#include "ui/PortSearchWindow.h"
#include "ui/Prompts.h"
#include "ui/ScaleErrorWindow.h"
#include "ui/ScaleUpdateWindow.h"
#include "ui/StartUpWindow.h"
#include "ui/UpdateFileWindow.h"
#include "ui/UpdatedWindow.h"
#include "ui/VersionWindow.h"

#include <QLoggingCategory>
#include <QPointer>

#include <utility>

UpdateFlow::UpdateFlow(const Services &services, ScreenPace pace, QObject *parent)
    : QObject(parent)
    , m_prompts(services.prompts)
    , m_addresses(services.addresses)
    , m_probe(services.probe)
    , m_desktop(services.prompts, services.shell, services.process, services.files)
    , m_files(services.files)
    , m_trusted(services.trusted)
    , m_downloader(services.downloader)
    , m_clock(services.clock)
    , m_pace(pace)
    , m_checks(services.maker,
               services.prompts,
               services.addresses.bannerUrl(),
               services.files.path(),
               pace.versionDelay)
    , m_scale(services.scale)
    , m_lookup(services.scale, services.ports)
{
    connect(
        &m_lookup, &ScaleLookup::scaleFound, this, [this] { moveOn(Screen::Main, m_portSearch); });
    connect(&m_lookup, &ScaleLookup::scaleMissing, this, [this](const QString &refusal) {
        if (!refusal.isEmpty())
            m_prompts.tell(m_portSearch.get(), {refusal, QMessageBox::Ok, QMessageBox::Warning});
        m_session.scaleMissedAt = Session::Step::PortSearch;
        moveOn(Screen::ScaleMissing, m_portSearch);
    });
    connect(&m_lookup, &ScaleLookup::serialNumberRead, this, [this](const QString &serial) {
        m_checks.skipVersionCheck();
        if (serial.isEmpty())
            m_session.scaleMissedAt = Session::Step::SerialNumberRead;
        else
            m_session.serialNumber = serial;
        moveOn(serial.isEmpty() ? Screen::ScaleMissing : Screen::UpdateFile, m_main);
    });
    connect(&m_checks, &MakerChecks::newVersionOffered, this, [this](const QString &latest) {
        m_session.latestVersion = latest;
        goTo(Screen::NewVersion);
    });
}

UpdateFlow::~UpdateFlow() = default;

void UpdateFlow::show(QWidget *screen)
{
    look::centre(screen);
    screen->show();
    screen->raise();
    screen->activateWindow();
    qCInfo(lcForms).noquote() << "window shown:" << screen->objectName()
                              << '"' + screen->windowTitle() + '"';
}

template<class Window, class... Signals>
void UpdateFlow::askQuitOn(Window *window, Signals... signal)
{
    (connect(window, signal, this, [this, window] { m_desktop.confirmQuit(window); }), ...);
}

template<class Window> void UpdateFlow::moveOn(Screen next, std::unique_ptr<Window> &from)
{
    goTo(next);
    leaveScreen(from);
}

template<class Window> void UpdateFlow::leaveScreen(std::unique_ptr<Window> &screen)
{
    if (!screen)
        return;
    qCInfo(lcForms).noquote() << "window closed:" << screen->objectName();
    screen->hide();
    screen.release()->deleteLater();
}

void UpdateFlow::goTo(Screen screen)
{
    switch (screen) {
    case Screen::StartUp:
        return showStartUp();
    case Screen::NotConnected:
        return showNotConnected();
    case Screen::PortSearch:
        return showPortSearch();
    case Screen::ScaleMissing:
        return showScaleError(ScaleErrorWindow::Kind::Missing);
    case Screen::Main:
        return showMain();
    case Screen::Help:
        return showHelp();
    case Screen::NewVersion:
        return showNewVersion();
    case Screen::UpdateFile:
        return showUpdateFile();
    case Screen::Downloaded:
        return showDownloaded();
    case Screen::ScaleUpdate:
        return showScaleUpdate();
    case Screen::ScaleLost:
        return showScaleError(ScaleErrorWindow::Kind::LostInUpdate);
    case Screen::Updated:
        return showUpdated();
    }
}

void UpdateFlow::showNotConnected()
{
    m_notConnected = std::make_unique<NotConnectedWindow>();
    connect(m_notConnected.get(), &NotConnectedWindow::exitRequested, this, [this] {
        m_desktop.end();
    });
    show(m_notConnected.get());
}

void UpdateFlow::showDownloaded()
{
    m_downloaded = std::make_unique<DownloadedWindow>();
    connect(m_downloaded.get(), &DownloadedWindow::updateRequested, this, [this] {
        moveOn(Screen::ScaleUpdate, m_downloaded);
    });
    askQuitOn(m_downloaded.get(), &DownloadedWindow::closeRequested);
    show(m_downloaded.get());
}

void UpdateFlow::showUpdated()
{
    m_updated = std::make_unique<UpdatedWindow>(m_pace.successTick);
    connect(
        m_updated.get(), &UpdatedWindow::exitRequested, this, [this] { m_desktop.finishRun(); });
    show(m_updated.get());
}

void UpdateFlow::showScaleUpdate()
{
    m_lookup.openForUpdate();
    // The window stays, hidden, behind the communication-error window; Retry shows it again,
    // and the update starts over.
    if (!m_scaleUpdateWindow) {
        m_scaleUpdateWindow = std::make_unique<ScaleUpdateWindow>(platform::programVersionLine());
        ScaleUpdateWindow *window = m_scaleUpdateWindow.get();
        // A child of the flow: one left for deletion goes with the flow at the latest, while
        // the scale programmer it uses is still there.
        m_scaleUpdate = std::make_unique<ScaleUpdate>(
            m_scale, *window, m_prompts, m_files.updateFile(), m_trusted, this);
        m_scaleUpdate->recordRunsIn(m_files.historyFile(), m_session.updateAddress);
        connect(m_scaleUpdate.get(), &ScaleUpdate::scaleUpdated, this, [this] {
            // The port goes with the update's window.
            m_scale.close();
            m_scaleUpdate.release()->deleteLater();
            // The one edge the other way round: the update's window has gone when the last
            // screen shows.
            leaveScreen(m_scaleUpdateWindow);
            goTo(Screen::Updated);
        });
        connect(m_scaleUpdate.get(), &ScaleUpdate::scaleLost, this, [this] {
            goTo(Screen::ScaleLost);
            m_scaleUpdateWindow->hide();
        });
        connect(m_scaleUpdate.get(), &ScaleUpdate::stopped, this, [this] {
            m_scale.close();
            m_desktop.quit();
        });
        connect(m_scaleUpdate.get(), &ScaleUpdate::sessionEnded, this, [this] {
            m_desktop.end(platform::kStoppedStatus);
        });
        connect(m_scaleUpdate.get(), &ScaleUpdate::quitAsked, this, [this, window] {
            m_desktop.confirmQuit(window);
        });
    }
    show(m_scaleUpdateWindow.get());
}

void UpdateFlow::showMain()
{
    if (!m_main)
        buildMain();
    show(m_main.get());
}

void UpdateFlow::buildMain()
{
    m_main = std::make_unique<MainWindow>(platform::programVersionLine(), m_pace.bannerBlink);
    MainWindow *window = m_main.get();
    connect(window, &MainWindow::updateRequested, this, [this, window] {
        window->showReadingScale();
        m_lookup.readSerialNumber();
    });
    connect(window, &MainWindow::manualRequested, this, [this, window] {
        m_desktop.openInBrowser(window, m_addresses.manualUrl());
    });
    connect(window, &MainWindow::helpRequested, this, [this] { goTo(Screen::Help); });
    askQuitOn(window, &MainWindow::exitRequested);
    connect(window, &MainWindow::closeRequested, this, [this, window] {
        // Stopped before the question: a version check that has not started does not start
        // in this visit, whatever the answer.
        m_checks.skipVersionCheck();
        m_desktop.confirmQuit(window);
    });
    m_checks.checkFor(window);
}

void UpdateFlow::showHelp()
{
    if (!m_help) {
        m_help = std::make_unique<HelpWindow>(m_addresses.webSite(), m_files.supportLog());
        connect(m_help.get(), &HelpWindow::websiteRequested, this, [this] {
            // The address stays readable on the window.
            m_desktop.openQuietly(m_addresses.productPageUrl());
        });
        connect(m_help.get(), &HelpWindow::closed, this, [this] {
            // Only a main window that is still there comes back: loading it again would ask the
            // maker's server once more for nothing.
            if (m_main)
                m_main->setWindowState(m_main->windowState() & ~Qt::WindowMinimized);
            leaveScreen(m_help);
        });
    }
    show(m_help.get());
}

void UpdateFlow::showNewVersion()
{
    leaveScreen(m_version);
    m_version = std::make_unique<VersionWindow>(net::trimBlanks(platform::programVersionText()),
                                                m_session.latestVersion,
                                                platform::programVersionLine());
    VersionWindow *window = m_version.get();
    connect(window, &VersionWindow::downloadRequested, this, [this] {
        if (m_desktop.openInBrowser(m_version.get(), m_addresses.installerUrl())) {
            qCInfo(lcWizard) << "the installer's address went to the browser";
            // The user chose the new program over the update: the update's window asks whether
            // to quit.
            if (m_updateFile)
                m_desktop.confirmQuit(m_updateFile.get());
        }
        leaveScreen(m_version);
    });
    // Leaving it is about the new program's download: Yes closes only this window.
    connect(window, &VersionWindow::exitRequested, this, [this, window] {
        m_prompts.offerQuit(
            window, QuitDialog::Subject::NewVersionDownload, [this] { leaveScreen(m_version); });
    });
    connect(window, &VersionWindow::closeRequested, this, [this, window] {
        if (m_prompts.askQuit(window, QuitDialog::Subject::NewVersionDownload))
            leaveScreen(m_version);
    });
    show(window);
}

void UpdateFlow::showStartUp()
{
    m_startUp = std::make_unique<StartUpWindow>(platform::programVersionText(), m_pace.startUpTick);
    StartUpWindow *window = m_startUp.get();
    connect(window, &StartUpWindow::internetCheckDue, this, [this, window] {
        const QPointer<StartUpWindow> screen = window;
        m_probe.start([this, screen](bool reachable) {
            qCInfo(lcWizard) << "internet reachable:" << reachable;
            if (!screen)
                return;
            // The start-up window stays behind the no-internet screen.
            if (!reachable)
                goTo(Screen::NotConnected);
            screen->checkEnded(reachable);
        });
    });
    connect(window, &StartUpWindow::startUpDone, this, [this] {
        moveOn(Screen::PortSearch, m_startUp);
    });
    connect(window, &StartUpWindow::closeRequested, this, [this, window] {
        if (!m_desktop.confirmQuit(window))
            window->resume();
    });
    show(window);
}

void UpdateFlow::showPortSearch()
{
    leaveScreen(m_portSearch);
    m_portSearch = std::make_unique<PortSearchWindow>();
    PortSearchWindow *window = m_portSearch.get();
    // The ports as they are when the window is shown, in the order they are tried.
    const QList<int> portNumbers = m_lookup.portsToSearch();
    connect(window, &PortSearchWindow::searchRequested, this, [this, window, portNumbers] {
        window->showSearching();
        // The main window loads with the first search: its update check runs before the search
        // starts and its version check half a second after that check, while the search runs
        // and before the main window shows, so that a newer program can be offered meanwhile.
        if (!std::exchange(m_session.searchedOnce, true))
            buildMain();
        // The search waits for the checks the main window's loading started: the maker's
        // answers come before the scale is looked for.
        m_checks.afterChecks([this, portNumbers] { m_lookup.search(portNumbers); });
    });
    askQuitOn(window, &PortSearchWindow::closeRequested);
    show(window);
}

void UpdateFlow::showUpdateFile()
{
    leaveScreen(m_updateFile);
    m_updateFile = std::make_unique<UpdateFileWindow>(platform::programVersionLine(),
                                                      m_session.serialNumber);
    UpdateFileWindow *window = m_updateFile.get();
    connect(window, &UpdateFileWindow::continueRequested, this, &UpdateFlow::download);
    askQuitOn(window, &UpdateFileWindow::exitRequested, &UpdateFileWindow::closeRequested);
    show(window);
}

void UpdateFlow::download(const QString &link)
{
    if (m_download)
        return;
    if (link.isEmpty()) {
        m_prompts.tell(m_updateFile.get(),
                       {tr("Please provide the link on the text box."),
                        QMessageBox::Ok,
                        QMessageBox::NoIcon,
                        tr("Missing Link")});
        return;
    }
    qCInfo(lcWizard).noquote() << "downloading the update file from" << link;
    m_session.updateAddress = link.trimmed();
    m_updateFile->setDownloading(true);
    m_downloadDialog = std::make_unique<DownloadDialog>(platform::programFolder()
                                                        + QStringLiteral("/downloading.AVI"));
    // A child of the flow, like the scale update: it never outlives the downloader it uses.
    m_download
        = std::make_unique<DownloadRun>(m_downloader, *m_downloadDialog, m_clock, m_prompts, this);
    connect(m_download.get(), &DownloadRun::finished, this, &UpdateFlow::downloadEnded);
    show(m_downloadDialog.get());
    m_download->start(link, m_files.updateFile());
}

void UpdateFlow::downloadEnded(bool ok)
{
    leaveScreen(m_downloadDialog);
    m_download.release()->deleteLater();
    if (!ok) {
        qCInfo(lcWizard) << "the update file did not arrive; the address stays for another try";
        m_updateFile->setDownloading(false);
        return;
    }
    qCInfo(lcWizard) << "update file downloaded";
    moveOn(Screen::Downloaded, m_updateFile);
}

void UpdateFlow::showScaleError(ScaleErrorWindow::Kind kind)
{
    leaveScreen(m_scaleError);
    m_scaleError = std::make_unique<ScaleErrorWindow>(kind);
    ScaleErrorWindow *window = m_scaleError.get();
    connect(window, &ScaleErrorWindow::retryRequested, this, [this, kind] {
        // Back to the step that failed: the update, the main window's serial-number read or the
        // port search.
        const Screen failed = kind == ScaleErrorWindow::Kind::LostInUpdate ? Screen::ScaleUpdate
            : m_session.scaleMissedAt == Session::Step::SerialNumberRead   ? Screen::Main
                                                                           : Screen::PortSearch;
        moveOn(failed, m_scaleError);
    });
    askQuitOn(window, &ScaleErrorWindow::exitRequested, &ScaleErrorWindow::closeRequested);
    show(window);
}
