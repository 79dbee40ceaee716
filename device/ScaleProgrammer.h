#pragma once

// The scale's serial port and every exchange with it, on a thread of their own.
//
// The boot protocol is stop-and-wait, so each job (the serial-number read, the port search, the
// update run, a read-back, storing the serial number) is linear code that blocks the worker
// thread on the port against deadlines. A job's progress and its end reach the caller's thread
// as queued signals; jobs run one after the other in the order they were asked for. The port's
// quick operations (choose, open, close) run on the worker too and are waited for, so
// they return their result: the port object lives and dies on the worker thread.
//
// On ports whose waits take no real time (SerialSystem::waitsTakeRealTime, the tests' virtual
// scales) everything runs in the caller's thread and a job's signals are emitted before the
// request returns.

#include "core/FlashImage.h"
#include "device/RunObserver.h"

#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QThread;

// The port search's log: each port tried and what it answered.
Q_DECLARE_LOGGING_CATEGORY(lcPortSearch)
// The scale's jobs: what a run decided and how it ended.
Q_DECLARE_LOGGING_CATEGORY(lcScale)

namespace platform {
class Clock;
class SerialError;
class SerialSystem;
} // namespace platform

namespace device {

class ScaleWorker;

// How the port search ended.
struct ScaleSearch
{
    bool found = false;
    int port = 0;   // where the scale answered
    QString serial; // what it answered
    // The texts of the ports the user may not open (the permission advice names them).
    QStringList refused;
};

enum class FlashArea { Aprom, Ldrom };

class ScaleProgrammer final : public QObject
{
    Q_OBJECT
public:
    ScaleProgrammer(platform::SerialSystem &ports,
                    const platform::Clock &clock,
                    QObject *parent = nullptr);
    ~ScaleProgrammer() override;

    // Quick port operations. Errors of open() come back as the port's error, with its text.
    void setPortNumber(int number);
    int portNumber();
    std::optional<platform::SerialError> open();
    void close();
    bool isOpen();

    // Jobs; each ends with its signal.
    // -> serialNumberRead: the number, "" when the scale gave no complete answer.
    void readSerialNumber();
    // Opens each port in turn, reads the serial number, closes it; stops at the first port that
    // answers with eight digits. -> searchEnded
    void findScale(const QList<int> &portNumbers);
    // Reads the scale's serial number (again, after the line settles, while it gives no complete
    // answer: up to the retry limit), writes it into image, then programs and verifies. A scale
    // that answers none of the reads ends the run ScaleLost before any session.
    // -> serialNumberUsed, the progress signals, runEnded
    void update(const core::FlashImage &image);
    // Reads the area into image (erased first by the caller); the application area inside a
    // session with image's serial number. -> the progress signals, areaRead
    void readArea(FlashArea area, const core::FlashImage &image);
    // Stores image's serial-number bytes in the scale, one byte at a time. -> serialNumberStored
    void storeSerialNumber(const core::FlashImage &image);
    // For the program's end: an update run in progress stops before its next frame, closes the
    // session and ends Stopped; so does every later one. Returns at once; the frame on the line
    // still gets its answer or its deadline.
    void stop();

Q_SIGNALS:
    void serialNumberRead(const QString &serial);
    // The number the update run read and opens the session with ("" when it got none).
    void serialNumberUsed(const QString &serial);
    void searchEnded(const device::ScaleSearch &search);
    void busyChanged(bool busy);
    void progressShown(int maximum);
    void progressChanged(int value);
    void progressLineChanged(const QString &text);
    void progressHidden();
    // The run hands over: the scale may still get its closing byte afterwards.
    void runEnded(device::RunOutcome outcome);
    void areaRead(device::RunOutcome outcome, const core::FlashImage &image);
    // ok false: failed twice; timedOut tells a silent scale from a refusal.
    void serialNumberStored(bool ok, bool timedOut);

private:
    void post(std::function<void(ScaleWorker &)> job);
    void call(const std::function<void(ScaleWorker &)> &operation);

    std::unique_ptr<ScaleWorker> m_worker;
    QThread *m_thread = nullptr;
};

} // namespace device

Q_DECLARE_METATYPE(device::ScaleSearch)
Q_DECLARE_METATYPE(device::RunOutcome)
Q_DECLARE_METATYPE(core::FlashImage)
