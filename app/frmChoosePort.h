#pragma once

// "Connect Scale to Computer": asks the user to connect the scale, then searches the serial ports
// for it.

#include "device/ScaleProgrammer.h"
#include "platform/Form.h"

#include <QLabel>
#include <QList>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

class frmChoosePort final : public platform::Form
{
    Q_OBJECT
public:
    frmChoosePort();

    // The scale's port and the exchanges with it, the flow's; set once, before the window loads.
    void setScale(device::ScaleProgrammer &scale) { m_scale = &scale; }

    bool AskExit = false;
    // The port numbers to search, ascending, each once; rebuilt on every load.
    QList<int> PortNumbers;

    platform::Control<QLabel> lblChoose {this, "lblChoose"};
    platform::Control<QPushButton> cmdContinue {this, "cmdContinue"};

    void EnumPorts();
    // Tries the ports in order until one answers with a valid serial number; that port is then
    // the scale programmer's port number, closed. A port that cannot be opened is skipped. The
    // search runs on the scale's thread; its end takes the wizard on.
    void DetectPort();
    void cmdContinue_Click();

    // Why the last search could not open the ports the user may not use (the ports' texts).
    const QStringList &refusedPorts() const { return m_refused; }

Q_SIGNALS:
    // Continue: the user asks for the search; the flow starts it (DetectPort) when its time
    // comes.
    void searchRequested();
    void scaleFound();
    // Nothing answered with a serial number.
    void scaleMissing();

protected:
    void build(QWidget *window) override;
    void Form_Load() override;
    void Form_Unload(bool &Cancel) override;

private:
    void searchEnded(const device::ScaleSearch &search);

    QStringList m_refused;
    bool m_searching = false;
    QPointer<device::ScaleProgrammer> m_scale;
};

namespace Forms {
inline ::frmChoosePort &frmChoosePort()
{
    return platform::FormRegistry::get<::frmChoosePort>();
}
} // namespace Forms
