#pragma once

// The main window: the version line, the update banner and the buttons that start the scale
// update, show help, open the manual and leave. Its load is when the maker's server is asked
// whether an update for the scale is on offer (the banner), and its Timer1 tells, once a run of
// the program, when to ask whether a newer program exists.

#include "device/ScaleProgrammer.h"
#include "platform/Form.h"
#include "platform/Timer.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

class frmWelcome final : public platform::Form
{
    Q_OBJECT
public:
    frmWelcome();

    // The scale's port and the exchanges with it, the flow's; set once, before the window loads.
    void setScale(device::ScaleProgrammer &scale) { m_scale = &scale; }
    ~frmWelcome() override;

    // The serial number read at Update Scale.
    QString KovaraSN;
    // True once the program-version check has run in this run of the program.
    bool UpdateShown = false;
    bool AskExit = false;

    platform::Control<QLabel> lblWelcome {this, "lblWelcome"};
    platform::Control<QLabel> lblVersion {this, "lblVersion"};
    platform::Control<QPushButton> cmdUpdate {this, "cmdUpdate"};
    platform::Control<QPushButton> cmdDownload {this, "cmdDownload"};
    platform::Control<QPushButton> cmdHelp {this, "cmdHelp"};
    platform::Control<QPushButton> cmdExit {this, "cmdExit"};
    platform::Control<QLabel> Image1 {this, "Image1"};
    platform::Control<QLabel> ImgBanner {this, "ImgBanner"};
    // The program-version check, on its eleventh tick.
    platform::Control<platform::Timer> Timer1 {this, "Timer1"};
    // The banner's blink.
    platform::Control<platform::Timer> Timer2 {this, "Timer2"};

    // Starts Timer1 towards the version check, unless it ran in this run of the program.
    void startVersionClock();
    // Puts a picture in ImgBanner, scaled down to fit when it is larger.
    void setBanner(const QPixmap &picture);

    void cmdUpdate_Click();
    void cmdDownload_Click();
    void cmdHelp_Click();
    void cmdExit_Click();
    void Timer1_Timer();
    void Timer2_Timer();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;

Q_SIGNALS:
    // The window loaded: time to ask whether an update for the scale is on offer.
    void updateCheckDue();
    // Timer1's eleventh tick: time to ask whether a newer program exists.
    void versionCheckDue();
    // Update Scale: the scale answered with its serial number.
    void scaleAnswered(const QString &serial);
    // Update Scale: the scale's port did not open or the scale did not answer.
    void scaleSilent();
    void helpRequested();

private:
    void serialNumberRead(const QString &serial);
    void InitForm();
    void toScaleError();

    // Tick counters of Timer1 and Timer2; kept for the whole run. The blink counter wraps.
    qint16 m_versionTicks = 0;
    quint16 m_blinkTicks = 0;
    // Update Scale waits for the scale with events running: a second press meanwhile is ignored.
    bool m_updating = false;
    QPointer<device::ScaleProgrammer> m_scale;
};

namespace Forms {
inline ::frmWelcome &frmWelcome()
{
    return platform::FormRegistry::get<::frmWelcome>();
}
} // namespace Forms
