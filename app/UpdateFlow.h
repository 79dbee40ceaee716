#pragma once

// Which window comes next. Every edge of the wizard from one window to another is a line of this
// class: a window reports what happened (the internet answered, the scale was found, the user
// chose Retry) and the flow shows the next window and closes or hides the one that reported, in
// the order the user sees them.
//
// The windows are still the registry's (Forms::frmX()); what a window shows inside itself, and
// its quit question, stay in the window.

#include "app/MakerChecks.h"
#include "app/Session.h"

#include <QObject>

class UpdateFlow final : public QObject
{
    Q_OBJECT
public:
    enum class Screen {
        StartUp,      // frmStartUp
        NotConnected, // frmNotConnected
        PortSearch,   // frmChoosePort
        ScaleMissing, // frmErrorScaleCom2: the search or the serial-number read failed
        Main,         // frmWelcome
        Help,         // frmHelp
        UpdateFile,   // frmCheckScale: the address of the update file
        Downloaded,   // frmSuccess
        ScaleUpdate,  // frmDisplay
        ScaleLost,    // frmErrorScaleCom: the scale stopped answering in the update
        Updated,      // frmSuccessUpdate
    };

    explicit UpdateFlow(net::MakerClient &maker, QObject *parent = nullptr);

    void start() { goTo(Screen::StartUp); }
    // Shows the screen (loading it first when it is not loaded).
    void goTo(Screen screen);
    // A question to the maker's servers is out.
    bool checksRunning() const { return m_checks.isRunning(); }

private:
    void connectWindows();
    void connectChecks();
    void loadScaleWindow();
    void retryAfterScaleMissing();

    Session m_session;
    MakerChecks m_checks;
};
