#include "device/ScaleProgrammer.h"

#include "device/Programming.h"
#include "device/ReadBack.h"
#include "device/ScaleIdentity.h"
#include "device/ScaleLink.h"

#include "platform/Clock.h"
#include "platform/SerialPort.h"

#include <QLoggingCategory>
#include <QThread>

#include <atomic>

Q_LOGGING_CATEGORY(lcPortSearch, "kovara.portsearch")
Q_LOGGING_CATEGORY(lcScale, "kovara.scale")

namespace device {

// Lives on the worker thread (or the caller's, see the header): owns the port and the link and
// runs the jobs, reporting through the programmer's signals.
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

    std::optional<platform::SerialError> open() { return port().open(); }
    void close() { port().close(); }

    QString readSerialNumber() { return device::readSerialNumber(link()); }

    ScaleSearch findScale(const QList<int> &numbers)
    {
        ScaleSearch search;
        close();
        for (const int number : numbers) {
            port().setPortNumber(number);
            if (const auto error = open()) {
                qCWarning(lcPortSearch).noquote()
                    << "COM" + QString::number(number) << "skipped:" << error->text();
                if (error->kind() == platform::SerialError::Kind::PermissionDenied)
                    search.refused << error->text();
                continue;
            }
            const QString serial = readSerialNumber();
            close();
            if (isSerialNumber(serial)) {
                qCInfo(lcPortSearch).noquote()
                    << "scale" << serial << "found on COM" + QString::number(number);
                search.found = true;
                search.port = number;
                search.serial = serial;
                return search;
            }
            qCInfo(lcPortSearch).noquote()
                << "COM" + QString::number(number) << "answered"
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
        Q_EMIT m_programmer.serialNumberUsed(serial);
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

    void storeSerialNumber(const core::FlashImage &image)
    {
        const Reply reply = device::storeSerialNumber(link(), image);
        Q_EMIT m_programmer.serialNumberStored(reply.accepted(),
                                               reply.status == Reply::Status::TimedOut);
    }

private:
    // RunObserver
    void setHourglass(bool on) override { Q_EMIT m_programmer.busyChanged(on); }
    void showProgress(int maximum) override { Q_EMIT m_programmer.progressShown(maximum); }
    void setProgress(int value) override { Q_EMIT m_programmer.progressChanged(value); }
    void hideProgress() override { Q_EMIT m_programmer.progressHidden(); }
    void setProgressLine(const QString &text) override
    {
        Q_EMIT m_programmer.progressLineChanged(text);
    }
    bool stopRequested() const override { return m_stop; }
    void ended(RunOutcome outcome) override
    {
        if (m_reading)
            Q_EMIT m_programmer.areaRead(outcome, *m_reading);
        else
            Q_EMIT m_programmer.runEnded(outcome);
    }

    ScaleProgrammer &m_programmer;
    platform::SerialSystem &m_ports;
    const platform::Clock &m_clock;
    std::unique_ptr<platform::SerialPort> m_port;
    std::unique_ptr<ScaleLink> m_link;
    RunCounters m_counters;
    // The image a read-back fills in, while one runs.
    const core::FlashImage *m_reading = nullptr;
    // Set from the caller's thread while a job runs on this one.
    std::atomic<bool> m_stop {false};
};

ScaleProgrammer::ScaleProgrammer(platform::SerialSystem &ports,
                                 const platform::Clock &clock,
                                 QObject *parent)
    : QObject(parent)
    , m_worker(std::make_unique<ScaleWorker>(*this, ports, clock))
{
    qRegisterMetaType<ScaleSearch>();
    qRegisterMetaType<RunOutcome>();
    qRegisterMetaType<core::FlashImage>();
    if (!ports.waitsTakeRealTime())
        return;
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("scale"));
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

ScaleProgrammer::~ScaleProgrammer()
{
    // Waits for a job in progress: the port is closed between frames, never inside one.
    call([](ScaleWorker &worker) {
        worker.close();
        worker.release();
    });
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
    }
}

void ScaleProgrammer::post(std::function<void(ScaleWorker &)> job)
{
    if (!m_thread) {
        job(*m_worker);
        return;
    }
    QMetaObject::invokeMethod(
        m_worker.get(),
        [worker = m_worker.get(), job = std::move(job)] { job(*worker); },
        Qt::QueuedConnection);
}

void ScaleProgrammer::call(const std::function<void(ScaleWorker &)> &operation)
{
    if (!m_thread) {
        operation(*m_worker);
        return;
    }
    QMetaObject::invokeMethod(
        m_worker.get(),
        [worker = m_worker.get(), &operation] { operation(*worker); },
        Qt::BlockingQueuedConnection);
}

void ScaleProgrammer::setPortNumber(int number)
{
    call([number](ScaleWorker &worker) { worker.port().setPortNumber(number); });
}

int ScaleProgrammer::portNumber()
{
    int number = 0;
    call([&number](ScaleWorker &worker) { number = worker.port().portNumber(); });
    return number;
}

std::optional<platform::SerialError> ScaleProgrammer::open()
{
    std::optional<platform::SerialError> error;
    call([&error](ScaleWorker &worker) { error = worker.open(); });
    return error;
}

void ScaleProgrammer::close()
{
    call([](ScaleWorker &worker) { worker.close(); });
}

bool ScaleProgrammer::isOpen()
{
    bool open = false;
    call([&open](ScaleWorker &worker) { open = worker.port().isOpen(); });
    return open;
}

void ScaleProgrammer::readSerialNumber()
{
    post([this](ScaleWorker &worker) { Q_EMIT serialNumberRead(worker.readSerialNumber()); });
}

void ScaleProgrammer::findScale(const QList<int> &portNumbers)
{
    post([this, portNumbers](ScaleWorker &worker) {
        Q_EMIT searchEnded(worker.findScale(portNumbers));
    });
}

void ScaleProgrammer::update(const core::FlashImage &image)
{
    post([image](ScaleWorker &worker) { worker.update(image); });
}

void ScaleProgrammer::readArea(FlashArea area, const core::FlashImage &image)
{
    post([area, image](ScaleWorker &worker) { worker.readArea(area, image); });
}

void ScaleProgrammer::stop()
{
    m_worker->requestStop();
}

void ScaleProgrammer::storeSerialNumber(const core::FlashImage &image)
{
    post([image](ScaleWorker &worker) { worker.storeSerialNumber(image); });
}

} // namespace device
