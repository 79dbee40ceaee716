#pragma once

// The scale's serial port and every exchange with it, on a thread of their own.
//
// The boot protocol is stop-and-wait, so each job (the serial-number read, the port search, the
// update run, a read-back, storing the serial number, opening the port) is linear code that
// blocks the worker thread on the port against deadlines. Each request returns its ScaleJob, as
// QNetworkAccessManager returns a QNetworkReply: the job reports its own progress and ends with
// one finished(result), in the caller's thread, after the request has returned. Jobs run one
// after the other in the order they were asked for; so do the quick requests (choose the port,
// close it), which the caller never waits for. What the caller asks about the port (its number)
// is kept on the caller's side: no call waits for the worker.

#include "core/FlashImage.h"
#include "device/RunObserver.h"
#include "platform/SerialPort.h"

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

// The serial-number read's result.
struct SerialRead
{
    // The port would not open.
    std::optional<platform::SerialError> openError;
    // "" when the scale gave no complete answer.
    QString serial;
};

// How an update run ended, and the serial number its session was opened with ("" when the scale
// answered none of the reads).
struct UpdateRun
{
    RunOutcome outcome = RunOutcome::Done;
    QString serial;
    // The exchanges tried again in the run.
    int retries = 0;
};

// How a read-back ended, and the area it filled in (what was read before it ended).
struct AreaRead
{
    RunOutcome outcome = RunOutcome::Done;
    core::FlashImage image;
};

// One request to the scale, in the caller's thread, as a QNetworkReply is one request to a server.
// Its signals come while it runs, finished() once at its end; result() holds what the job ended in
// from then on. The job deletes itself once finished() has been handled.
class ScaleJob : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void progress(const core::RunProgress &progress);
    // The update's serial number, before its session opens ("" when it got none).
    void serialNumberUsed(const QString &serial);
    // The job is over: a run has closed its session (or given up on the scale).
    void finished();
};

template<class Result> class Job final : public ScaleJob
{
public:
    using ScaleJob::ScaleJob;

    const Result &result() const { return m_result; }

private:
    friend class ScaleWorker;
    Result m_result {};
};

class ScaleProgrammer final : public QObject
{
    Q_OBJECT
public:
    ScaleProgrammer(platform::SerialSystem &ports,
                    const platform::Clock &clock,
                    QObject *parent = nullptr);
    // shutDown(), when it has not been: the port is closed by the worker that owns it.
    ~ScaleProgrammer() override;

    // The port the jobs use, as chosen here or left by the last search.
    int portNumber() const { return m_portNumber; }
    // Quick requests, done in their turn among the jobs; neither waits.
    void setPortNumber(int number);
    void close();

    // Jobs. Opens the port; an open port stays as it is. -> the error when it would not open
    Job<std::optional<platform::SerialError>> *open();
    // Opens the port when it is closed, then reads the serial number.
    Job<SerialRead> *readSerialNumber();
    // Opens each port in turn, reads the serial number, closes it; stops at the first port that
    // answers with eight digits, which is then the port the jobs use, closed.
    Job<ScaleSearch> *findScale(const QList<int> &portNumbers);
    // Reads the scale's serial number (again, after the line settles, while it gives no complete
    // answer: up to the retry limit), writes it into image, then programs and verifies. A scale
    // that answers none of the reads ends the run ScaleLost before any session.
    // -> serialNumberUsed, progress
    Job<UpdateRun> *update(const core::FlashImage &image);
    // Reads the area into image (erased first by the caller); the application area inside a
    // session with image's serial number. -> progress
    Job<AreaRead> *readArea(FlashArea area, const core::FlashImage &image);
    // Stores image's serial-number bytes in the scale, one byte at a time, each tried twice.
    // -> Done when the scale took them all, SerialRefused when it refused one, ScaleLost when it
    // did not answer
    Job<RunOutcome> *storeSerialNumber(const core::FlashImage &image);
    // For the program's end: an update run in progress stops before its next frame, closes the
    // session and ends Stopped, a search stops before its next port, and every later job ends
    // Stopped at once. Returns at once; the frame on the line still gets its answer or its
    // deadline.
    void stop();
    // For an end that cannot wait for the event loop (the destructor, a session that ends under
    // the program): stop(), cut short a wait for a silent port's answer, and wait until the
    // worker has closed the session and the port. No job runs after it; the finished() signals
    // of the jobs it ended come in the event loop.
    void shutDown();

private:
    // A new job whose work runs on the worker in its turn and gives the job's result; a job that
    // a stop ends before its turn ends with `stopped`.
    template<class Result>
    Job<Result> *start(const Result &stopped, std::function<Result(ScaleWorker &)> work);
    void post(std::function<void(ScaleWorker &)> work);

    std::unique_ptr<ScaleWorker> m_worker;
    QThread *m_thread = nullptr;
    int m_portNumber = 0;
};

} // namespace device
