#include "VirtualScalePorts.h"

#include "UpdateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace testing_support {

namespace {
const char kVariable[] = "KOVARA_SERIAL_PORTS";
} // namespace

VirtualScalePorts::VirtualScalePorts()
    : m_previous(qgetenv(kVariable))
    , m_hadPrevious(qEnvironmentVariableIsSet(kVariable))
{
    qputenv(kVariable, m_dir.path().toLocal8Bit());
}

VirtualScalePorts::~VirtualScalePorts()
{
    for (auto &entry : m_scales) {
        entry.second->terminate();
        entry.second->waitForFinished(5000);
    }
    if (m_hadPrevious)
        qputenv(kVariable, m_previous);
    else
        qunsetenv(kVariable);
}

void VirtualScalePorts::addDanglingPort(int number)
{
    QFile::link(m_dir.filePath(QStringLiteral("no-device-%1").arg(number)),
                m_dir.filePath(QStringLiteral("COM%1").arg(number)));
}

bool VirtualScalePorts::startScale(int number, const QStringList &arguments)
{
    auto scale = std::make_unique<QProcess>();
    scale->setProgram(QStringLiteral(KOVARA_BIN_DIR "/kovara-virtual-scale"));
    scale->setArguments(QStringList {"--ports-dir",
                                     m_dir.path(),
                                     "--com",
                                     QString::number(number),
                                     "--dump",
                                     dumpPath(number)}
                        + arguments);
    scale->start();
    while (scale->waitForReadyRead(5000) && !scale->canReadLine()) { }
    if (!scale->readLine().startsWith(QStringLiteral("COM%1 ->").arg(number).toLatin1())) {
        scale->waitForFinished(1000);
        std::fprintf(stderr,
                     "kovara-virtual-scale did not start: %s\n",
                     scale->readAllStandardError().constData());
        return false;
    }
    m_scales[number] = std::move(scale);
    return true;
}

void VirtualScalePorts::stopScale(int number)
{
    const auto it = m_scales.find(number);
    if (it == m_scales.end())
        return;
    it->second->terminate();
    it->second->waitForFinished(5000);
    m_scales.erase(it);
}

void VirtualScalePorts::killScale(int number)
{
    const auto it = m_scales.find(number);
    if (it == m_scales.end())
        return;
    it->second->kill();
    it->second->waitForFinished(5000);
    m_scales.erase(it);
}

QString VirtualScalePorts::dumpPath(int number) const
{
    return m_dir.filePath(QStringLiteral("COM%1.flash").arg(number));
}

QByteArray VirtualScalePorts::flash(int number) const
{
    return readFile(dumpPath(number));
}

QString VirtualScalePorts::device(int number) const
{
    return QFileInfo(m_dir.filePath(QStringLiteral("COM%1").arg(number))).symLinkTarget();
}

} // namespace testing_support
