#pragma once

// One run of the wizard in this process, driven by the names of its controls as a user would
// drive it, and traced as the user sees it. The trace is one word per event, in order:
//   +frmX  the window was shown        -frmX  it was closed
//   quit@frmX   the quit question about the update, over that window
//   stop@frmX   the same while the scale is being written
//   leave@frmX  the question about the new version's download
//   !Text       a message box, its text up to the first comma, stop, bracket or line break
//   input       an input box        rm:name  a working file was deleted        end  the program
//   ended
// A step is "frmX.name" (click that button, label or trigger that action), "frmX.name=text" (type
// into that line edit; a text starting with '/', blanks aside, is a path on the file server),
// "frmX.close" (its close box), "frmX.Esc" or "frmX.Return" (the key on its focused control),
// "frmX.activate" (the window manager brings it to the front) or "probe" (the internet check
// answers). After each step the program runs until it is idle: no question to the maker out, no
// download running, no window with the busy cursor, the trace still for a while.

#include "LogCapture.h"
#include "TestPlatform.h"

#include <QStringList>

#include <memory>

namespace testing_support {

class Journey
{
public:
    // fileServer: the address that a typed path starts with.
    explicit Journey(TestPlatform &test, const QString &fileServer = QString());

    // Sets up what the user, the scale and the maker do, in words separated by commas:
    //   COMn scale[=SERIAL] | COMn empty|busy|absent|forbidden   a port, listed in this order
    //   fault WORDS | paced   a fault of the last scale (virtual_scale::parseFault's words) | its
    //                         line at 19200 baud
    //   swap SERIAL at CMD @ADDR   once the last scale has taken that frame, another scale with
    //                         that serial number takes its place on the line (a hot swap)
    //   port N            the scale's port, as the port search leaves it
    //   version V | update Y | version fails TEXT   the maker's answers
    //   no internet | held internet                            the start-up's check
    //   quit Yes|Cancel | box Ok|Yes|No|Retry|Cancel | type TEXT   the user's next answer
    //   shell fails       the desktop cannot open an address
    //   update file       the update file of the test image is in the working folder, signed
    //   update file HOW   the same, unsigned | signed in the legacy form | signed by another key
    //                     | changed after signing | with its signature cut short | with an empty
    //                     signature
    //   full disk         the update file's place is on a full disk (writes fail with ENOSPC)
    //   torn history      the history holds a record and a line a power cut left torn
    void given(const QString &words);
    // Shows the screen, then performs the steps.
    void run(UpdateFlow::Screen from, const QStringList &steps);
    void step(const QString &step);
    QString trace() const;

    // The screens' pace for a journey: every wait short, the version check 20 ms on.
    static TestPlatform::Options options();

private:
    void settle();
    void givenUpdateFile(const QString &how);

    TestPlatform &m_test;
    QString m_fileServer;
    LogCapture m_log;
    virtual_scale::VirtualScale *m_scale = nullptr;
    int m_scalePort = 0;
    int m_ends = 0;
    QStringList m_words;
    int m_seen = 0;
};

} // namespace testing_support
