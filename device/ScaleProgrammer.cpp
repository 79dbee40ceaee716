#include "device/ScaleProgrammer.h"

#include "device/Programming.h"
#include "device/ReadBack.h"
#include "device/ScaleIdentity.h"
#include "device/ScaleLink.h"

#include "platform/Clock.h"
#include "platform/SerialPort.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QThread>

#include <atomic>

Q_LOGGING_CATEGORY(lcPortSearch, "kovara.portsearch")
Q_LOGGING_CATEGORY(lcScale, "kovara.scale")

namespace device {

// Lives on the worker thread: owns the port and the link and runs the jobs, reporting to the job
// of the moment through the programmer's thread.
class ScaleWorker final : public QObject, private RunObserver
{
public:
    ScaleWorker(ScaleProgrammer &programmer,
                platform::SerialSystem &ports,
                const platform::Clock &clock)
        : m_programmer(programmer)
        , m_ports(ports)
        , m_clock(clock)
    { }

    platform::SerialPort &port()
    {
        if (!m_port) {
            m_port = m_ports.createPort();
            m_link = std::make_unique<ScaleLink>(*m_port, m_clock);
            m_link->setAbandonable(true);
        }
        return *m_port;
    }
    ScaleLink &link()
    {
        port();
        return *m_link;
    }
    void release()
    {
        m_link.reset();
        m_port.reset();
    }
    void close() { port().close(); }

    // Runs one job's work, its reports going to job; once a stop has been asked for, a job
    // ends Stopped without touching the port.
    void run(const QPointer<ScaleJob> &job, const std::function<void(ScaleWorker &)> &work)
    {
        m_job = job;
        m_serialUsed.clear();
        if (m_stop)
            ended(RunOutcome::Stopped);
        else
            work(*this);
        m_job = nullptr;
    }
    // Ends the job: finished() in the caller's thread, then the job goes.
    void finish(ScaleResult result)
    {
        report([result = std::move(result)](ScaleJob &job) {
            Q_EMIT job.finished(result);
            job.deleteLater();
        });
    }

    std::optional<platform::SerialError> open()
    {
        return port().isOpen() ? std::nullopt : port().open();
    }

    QString readSerialNumber() { return device::readSerialNumber(link()); }

    ScaleSearch findScale(const QList<int> &numbers)
    {
        ScaleSearch search;
        close();
        for (const int number : numbers) {
            if (stopRequested())
                break;
            port().setPortNumber(number);
            if (const auto error = open()) {
                qCWarning(lcPortSearch).noquote()
                    << platform::comName(number) << "skipped:" << error->text();
                if (error->kind() == platform::SerialError::Kind::PermissionDenied)
                    search.refused << error->text();
                continue;
            }
            const QString serial = readSerialNumber();
            close();
            if (isSerialNumber(serial)) {
                qCInfo(lcPortSearch).noquote()
                    << "scale" << serial << "found on" << platform::comName(number);
                search.found = true;
                search.port = number;
                search.serial = serial;
                return search;
            }
            qCInfo(lcPortSearch).noquote()
                << platform::comName(number) << "answered"
                << (serial.isEmpty() ? QStringLiteral("nothing") : serial);
        }
        return search;
    }

    void update(core::FlashImage image)
    {
        m_reading = nullptr;
        QString serial = readSerialNumber();
        // A read that got no complete answer is made again, after the line settles, as every
        // other exchange of the run is: one lost answer must not end the update.
        for (int retry = 1;
             serial.isEmpty() && retry <= kRetryLimit && port().isOpen() && !stopRequested();
             ++retry) {
            qCInfo(lcScale) << "no serial number from the scale; reading it again, try" << retry;
            link().settle();
            serial = readSerialNumber();
        }
        m_serialUsed = serial;
        // A scale that answered none of the reads is not there: the run ends as a lost scale at
        // once. Going on would open the session with 00000000, which a silent scale leaves
        // unanswered four more times and a live one refuses ("Serial number wrong" over a number
        // that was never read).
        if (serial.isEmpty() && !stopRequested()) {
            qCWarning(lcScale) << "the scale answered none of" << kRetryLimit + 1
                               << "serial-number reads";
            ended(RunOutcome::ScaleLost);
            return;
        }
        report([serial](ScaleJob &job) { Q_EMIT job.serialNumberUsed(serial); });
        writeSerialNumber(image, serial);
        programScale(link(), image, m_counters, *this);
    }

    void readArea(FlashArea area, core::FlashImage image)
    {
        m_reading = &image;
        if (area == FlashArea::Aprom)
            readAprom(link(), image, m_counters, *this);
        else
            readLdrom(link(), image, m_counters, *this);
        m_reading = nullptr;
    }

    void requestStop() { m_stop = true; }

    RunOutcome storeSerialNumber(const core::FlashImage &image)
    {
        const Reply reply = device::storeSerialNumber(link(), image);
        if (reply.accepted())
            return RunOutcome::Done;
        return reply.status == Reply::Status::TimedOut ? RunOutcome::ScaleLost
                                                       : RunOutcome::SerialRefused;
    }

private:
    void report(std::function<void(ScaleJob &)> what)
    {
        QMetaObject::invokeMethod(
            &m_programmer,
            [job = m_job, what = std::move(what)] {
                if (job)
                    what(*job);
            },
            Qt::QueuedConnection);
    }

    // RunObserver
    void setHourglass(bool on) override
    {
        report([on](ScaleJob &job) { Q_EMIT job.busyChanged(on); });
    }
    void showProgress(int maximum) override
    {
        report([maximum](ScaleJob &job) { Q_EMIT job.progressShown(maximum); });
    }
    void setProgress(int value) override
    {
        report([value](ScaleJob &job) { Q_EMIT job.progressChanged(value); });
    }
    void hideProgress() override
    {
        report([](ScaleJob &job) { Q_EMIT job.progressHidden(); });
    }
    void setProgressLine(const QString &text) override
    {
        report([text](ScaleJob &job) { Q_EMIT job.progressLineChanged(text); });
    }
    bool stopRequested() const override { return m_stop; }
    void ended(RunOutcome outcome) override
    {
        ScaleResult result;
        result.outcome = outcome;
        result.serial = m_serialUsed;
        if (m_reading)
            result.image = *m_reading;
        finish(std::move(result));
    }

    ScaleProgrammer &m_programmer;
    platform::SerialSystem &m_ports;
    const platform::Clock &m_clock;
    std::unique_ptr<platform::SerialPort> m_port;
    std::unique_ptr<ScaleLink> m_link;
    RunCounters m_counters;
    // The job whose work runs now.
    QPointer<ScaleJob> m_job;
    // The image a read-back fills in, while one runs.
    const core::FlashImage *m_reading = nullptr;
    QString m_serialUsed;
    // Set from the caller's thread while a job runs on this one.
    std::atomic<bool> m_stop {false};
};

ScaleProgrammer::ScaleProgrammer(platform::SerialSystem &ports,
                                 const platform::Clock &clock,
                                 QObject *parent)
    : QObject(parent)
    , m_worker(std::make_unique<ScaleWorker>(*this, ports, clock))
{
    qRegisterMetaType<ScaleResult>();
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("scale"));
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

ScaleProgrammer::~ScaleProgrammer()
{
    shutDown();
}

void ScaleProgrammer::shutDown()
{
    if (m_thread->isFinished())
        return;
    // A run in progress ends between two frames with its session closed, a search before its
    // next port; the jobs still waiting end at once. A wait on a silent port is not waited out:
    // the program ends now, not when the scale's ten seconds are up.
    stop();
    m_thread->requestInterruption();
    post([](ScaleWorker &worker) {
        worker.close();
        worker.release();
        QThread::currentThread()->quit();
    });
    m_thread->wait();
}

ScaleJob *ScaleProgrammer::start(std::function<void(ScaleWorker &)> work)
{
    auto *job = new ScaleJob(this);
    post([job = QPointer<ScaleJob>(job), work = std::move(work)](ScaleWorker &worker) {
        worker.run(job, work);
    });
    return job;
}

void ScaleProgrammer::post(std::function<void(ScaleWorker &)> work)
{
    QMetaObject::invokeMethod(
        m_worker.get(),
        [worker = m_worker.get(), work = std::move(work)] { work(*worker); },
        Qt::QueuedConnection);
}

void ScaleProgrammer::setPortNumber(int number)
{
    m_portNumber = number;
    post([number](ScaleWorker &worker) { worker.port().setPortNumber(number); });
}

void ScaleProgrammer::close()
{
    post([](ScaleWorker &worker) { worker.close(); });
}

ScaleJob *ScaleProgrammer::open()
{
    return start([](ScaleWorker &worker) {
        ScaleResult result;
        result.openError = worker.open();
        worker.finish(std::move(result));
    });
}

ScaleJob *ScaleProgrammer::readSerialNumber()
{
    return start([](ScaleWorker &worker) {
        ScaleResult result;
        result.openError = worker.open();
        if (!result.openError)
            result.serial = worker.readSerialNumber();
        worker.finish(std::move(result));
    });
}

ScaleJob *ScaleProgrammer::findScale(const QList<int> &portNumbers)
{
    ScaleJob *job = start([portNumbers](ScaleWorker &worker) {
        ScaleResult result;
        result.search = worker.findScale(portNumbers);
        worker.finish(std::move(result));
    });
    // The port the search left: where the scale answered, else the last one it tried.
    if (!portNumbers.isEmpty()) {
        connect(job,
                &ScaleJob::finished,
                this,
                [this, last = portNumbers.last()](const ScaleResult &result) {
                    m_portNumber = result.search.found ? result.search.port : last;
                });
    }
    return job;
}

ScaleJob *ScaleProgrammer::update(const core::FlashImage &image)
{
    return start([image](ScaleWorker &worker) { worker.update(image); });
}

ScaleJob *ScaleProgrammer::readArea(FlashArea area, const core::FlashImage &image)
{
    return start([area, image](ScaleWorker &worker) { worker.readArea(area, image); });
}

ScaleJob *ScaleProgrammer::storeSerialNumber(const core::FlashImage &image)
{
    return start([image](ScaleWorker &worker) {
        ScaleResult result;
        result.outcome = worker.storeSerialNumber(image);
        worker.finish(std::move(result));
    });
}

void ScaleProgrammer::stop()
{
    m_worker->requestStop();
}

} // namespace device
