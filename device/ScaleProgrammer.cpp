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

    // Runs one job's work and ends the job with its result; once a stop has been asked for, a job
    // ends with `stopped` without touching the port.
    template<class Result>
    void run(const QPointer<ScaleJob> &job,
             const Result &stopped,
             const std::function<Result(ScaleWorker &)> &work)
    {
        m_job = job;
        Result result = m_stop ? stopped : work(*this);
        report([result = std::move(result)](ScaleJob &job) {
            static_cast<Job<Result> &>(job).m_result = result;
            Q_EMIT job.finished();
            job.deleteLater();
        });
        m_job = nullptr;
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

    UpdateRun update(core::FlashImage image)
    {
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
        // A scale that answered none of the reads is not there: the run ends as a lost scale at
        // once. Going on would open the session with 00000000, which a silent scale leaves
        // unanswered four more times and a live one refuses ("Serial number wrong" over a number
        // that was never read).
        if (serial.isEmpty() && !stopRequested()) {
            qCWarning(lcScale) << "the scale answered none of" << kRetryLimit + 1
                               << "serial-number reads";
            return {RunOutcome::ScaleLost, serial};
        }
        report([serial](ScaleJob &job) { Q_EMIT job.serialNumberUsed(serial); });
        writeSerialNumber(image, serial);
        const RunOutcome outcome = programScale(link(), image, m_counters, *this);
        return {outcome, serial, m_counters.failures};
    }

    AreaRead readArea(FlashArea area, core::FlashImage image)
    {
        const RunOutcome outcome = area == FlashArea::Aprom
            ? readAprom(link(), image, m_counters, *this)
            : readLdrom(link(), image, m_counters, *this);
        return {outcome, image};
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
    void progress(const core::RunProgress &progress) override
    {
        report([progress](ScaleJob &job) { Q_EMIT job.progress(progress); });
    }
    bool stopRequested() const override { return m_stop; }

    ScaleProgrammer &m_programmer;
    platform::SerialSystem &m_ports;
    const platform::Clock &m_clock;
    std::unique_ptr<platform::SerialPort> m_port;
    std::unique_ptr<ScaleLink> m_link;
    RunCounters m_counters;
    // The job whose work runs now.
    QPointer<ScaleJob> m_job;
    // Set from the caller's thread while a job runs on this one.
    std::atomic<bool> m_stop {false};
};

ScaleProgrammer::ScaleProgrammer(platform::SerialSystem &ports,
                                 const platform::Clock &clock,
                                 QObject *parent)
    : QObject(parent)
    , m_worker(std::make_unique<ScaleWorker>(*this, ports, clock))
{
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

template<class Result>
Job<Result> *ScaleProgrammer::start(const Result &stopped,
                                    std::function<Result(ScaleWorker &)> work)
{
    auto *job = new Job<Result>(this);
    post([job = QPointer<ScaleJob>(job), stopped, work = std::move(work)](ScaleWorker &worker) {
        worker.run(job, stopped, work);
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

Job<std::optional<platform::SerialError>> *ScaleProgrammer::open()
{
    return start<std::optional<platform::SerialError>>(
        std::nullopt, [](ScaleWorker &worker) { return worker.open(); });
}

Job<SerialRead> *ScaleProgrammer::readSerialNumber()
{
    return start<SerialRead>({}, [](ScaleWorker &worker) {
        SerialRead read;
        read.openError = worker.open();
        if (!read.openError)
            read.serial = worker.readSerialNumber();
        return read;
    });
}

Job<ScaleSearch> *ScaleProgrammer::findScale(const QList<int> &portNumbers)
{
    auto *job = start<ScaleSearch>(
        {}, [portNumbers](ScaleWorker &worker) { return worker.findScale(portNumbers); });
    // The port the search left: where the scale answered, else the last one it tried.
    if (!portNumbers.isEmpty()) {
        connect(job, &ScaleJob::finished, this, [this, job, last = portNumbers.last()] {
            m_portNumber = job->result().found ? job->result().port : last;
        });
    }
    return job;
}

Job<UpdateRun> *ScaleProgrammer::update(const core::FlashImage &image)
{
    return start<UpdateRun>({RunOutcome::Stopped, {}},
                            [image](ScaleWorker &worker) { return worker.update(image); });
}

Job<AreaRead> *ScaleProgrammer::readArea(FlashArea area, const core::FlashImage &image)
{
    return start<AreaRead>({RunOutcome::Stopped, image}, [area, image](ScaleWorker &worker) {
        return worker.readArea(area, image);
    });
}

Job<RunOutcome> *ScaleProgrammer::storeSerialNumber(const core::FlashImage &image)
{
    return start<RunOutcome>(RunOutcome::Stopped, [image](ScaleWorker &worker) {
        return worker.storeSerialNumber(image);
    });
}

void ScaleProgrammer::stop()
{
    m_worker->requestStop();
}

} // namespace device
