#pragma once

// The scale update on its window: the flash image and the serial number in use, the automatic
// run (load the update file, then program and verify it) and the window's service tools, each
// an exchange with the scale through the flow's ScaleProgrammer. While an exchange is in
// progress (it runs on the programmer's thread) the commands that would start another one,
// change the image or move the port are ignored. While the scale is written, the end of the
// user's session is held off with a reason the user reads; if it ends anyway, the session with
// the scale is closed before the program lets the system go on.

#include "core/FlashImage.h"
#include "core/UpdateSignature.h"
#include "device/RunObserver.h"
#include "platform/SessionEnd.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class Prompts;
class ScaleUpdateWindow;

namespace device {
class ScaleProgrammer;
struct AreaRead;
} // namespace device

class ScaleUpdate final : public QObject
{
    Q_OBJECT
public:
    // trusted: the keys whose signatures on the update file are trusted.
    ScaleUpdate(device::ScaleProgrammer &scale,
                ScaleUpdateWindow &window,
                Prompts &prompts,
                QString updateFile,
                const QList<core::TrustedKey> &trusted,
                QObject *parent = nullptr);
    // The port closes with the update.
    ~ScaleUpdate() override;

    // Where each programming run's record goes (the history file), and the address the update
    // file came from.
    void recordRunsIn(const QString &historyFile, const QString &source);

Q_SIGNALS:
    // The window's Exit or close box, when no scale is being written: the program's own quit
    // question is due.
    void quitAsked();
    // Every block programmed and verified; the update file is deleted.
    void scaleUpdated();
    // The scale stopped answering in the update or in the application area's read-back.
    void scaleLost();
    // Yes to the question about the scale being written: the run has stopped before its next
    // frame with the session closed (or ended in another way meanwhile); the port may be closed
    // and the program ends.
    void stopped();
    // The user's session ended during the programming: the scale's session is closed, the port
    // too, and the program must end now.
    void sessionEnded();

private:
    // Ended: the user's session ended under the run, and the program with it.
    enum class Operation {
        None,
        Programming,
        Stopping,
        ReadAprom,
        ReadLdrom,
        StoringSerial,
        Ended
    };

    bool running() const { return m_operation != Operation::None; }
    // The scale is being programmed or verified.
    bool writingScale() const { return m_operation == Operation::Programming; }
    // Exit or the close box: while the scale is written the question is about the scale, and Yes
    // stops the run before its next frame; while a stop is under way nothing more is asked.
    void askQuit();
    void autoRun();
    // Loads the update file into the image, read once and its signature checked on those bytes
    // first; false (and a message) when the file is refused.
    bool load();
    // Whether the file may go on: signed by a trusted key, or unsigned and the user says Yes to
    // the question. A signature that does not hold is refused, and the file and it go.
    bool signatureAccepted(const core::UpdateFileRead &file);
    // The history's record of the programming run that ended so.
    void record(device::RunOutcome outcome, bool stopped);
    void program();
    void read();
    void chooseArea(bool aprom);
    void turnPage(int step);
    void enterSerialNumber(bool storeInScale);
    void choosePort(int number);
    void showFirstPage();
    void writeSerialNumber();
    void runEnded(device::RunOutcome outcome);
    void endWithTheSession();
    void areaRead(const device::AreaRead &result);
    void serialNumberStored(device::RunOutcome outcome);
    std::optional<QString> askSerialNumber();
    void tell(const QString &text, QMessageBox::Icon icon = QMessageBox::NoIcon);
    // True (and logged) when a run is in progress and the command must wait.
    bool ignoredDuringRun(const char *command) const;

    device::ScaleProgrammer &m_scale;
    QPointer<ScaleUpdateWindow> m_window;
    Prompts &m_prompts;
    // The update file: loaded by Load, deleted once the scale is updated.
    const QString m_updateFile;
    const QList<core::TrustedKey> m_trusted;
    QString m_historyFile;
    QString m_source;
    // What the last load read, for the run's record.
    QString m_sha256;
    QString m_key;
    QElapsedTimer m_runTime;
    int m_retries = 0;
    core::FlashImage m_image;
    // The serial number in use: set by the programming and by the serial-number commands.
    QString m_serialNumber;
    int m_pageNo = 0;
    Operation m_operation = Operation::None;
    platform::SessionEnd m_sessionEnd;
};
