#include "TestPlatform.h"

#include "net/MakerAddresses.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>

#include <utility>

namespace testing_support {

void FakeProbe::start(Done done)
{
    ++calls;
    m_pending = std::move(done);
    if (!holdAnswer)
        answer();
}

void FakeProbe::answer()
{
    if (Done done = std::exchange(m_pending, nullptr))
        done(reachable);
}

TestPlatform::TestPlatform(Options options)
    : m_realPorts(options.realPortsFolder)
    , addresses(options.addresses)
    , trusted(keysOfThisBuild())
    , m_realMaker(options.network
                      ? std::make_unique<net::MakerClient>(*options.network, addresses.queryUrl())
                      : nullptr)
    , downloader(options.network ? *options.network : realNetwork, disk)
    , scale(ports(options), time(options))
    , flow({dialogs,
            m_realMaker ? static_cast<net::MakerService &>(*m_realMaker) : maker,
            addresses,
            probe,
            downloader,
            scale,
            ports(options),
            time(options),
            shell,
            process,
            files,
            trusted},
           options.pace)
{ }

TestPlatform::~TestPlatform()
{
    // Windows the flow left are deleted with the next events.
    processEvents();
}

platform::SerialSystem &TestPlatform::ports(const Options &options)
{
    return !options.realPortsFolder.isEmpty() ? static_cast<platform::SerialSystem &>(m_realPorts)
                                              : serial;
}

const platform::Clock &TestPlatform::time(const Options &options) const
{
    return !options.realPortsFolder.isEmpty() ? static_cast<const platform::Clock &>(m_realClock)
                                              : clock;
}

void TestPlatform::waitForChecks()
{
    for (int round = 0; round < 100 && maker.answering(); ++round)
        processEvents();
    processEvents();
}

void TestPlatform::touchWorkingFile(const QString &name, const QByteArray &content)
{
    QFile file(files.file(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

QByteArray jpeg(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

QWidget *topLevel(const QString &objectName)
{
    // A screen that was left may wait for its deletion: the one on screen counts first.
    QWidget *found = nullptr;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == objectName && (!found || window->isVisible()))
            found = window;
    }
    return found;
}

bool isShown(const QString &objectName)
{
    const QWidget *window = topLevel(objectName);
    return window && window->isVisible();
}

QAbstractButton *button(const QString &window, const QString &name)
{
    QWidget *found = topLevel(window);
    return found && found->isVisible() ? found->findChild<QAbstractButton *>(name) : nullptr;
}

void activate(QWidget *window)
{
    // The offscreen platform has no window manager to activate a window.
    QEvent activated(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window, &activated);
}

void processEvents()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void quietLogging()
{
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("kovara.*.info=false"));
}

} // namespace testing_support
