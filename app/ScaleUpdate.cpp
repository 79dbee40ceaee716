#include "app/ScaleUpdate.h"

#include "core/HexLoader.h"
#include "core/UpdateRecord.h"
#include "device/ScaleIdentity.h"
#include "device/ScaleProgrammer.h"
#include "platform/Files.h"
#include "platform/HistoryFile.h"
#include "platform/SerialPort.h"
#include "ui/Prompts.h"
#include "ui/ScaleUpdateWindow.h"

#include <QLoggingCategory>

ScaleUpdate::ScaleUpdate(device::ScaleProgrammer &scale,
                         ScaleUpdateWindow &window,
                         Prompts &prompts,
                         QString updateFile,
                         const QList<core::TrustedKey> &trusted,
                         QObject *parent)
    : QObject(parent)
    , m_scale(scale)
    , m_window(&window)
    , m_prompts(prompts)
    , m_updateFile(std::move(updateFile))
    , m_trusted(trusted)
{
    connect(&window, &ScaleUpdateWindow::autoRunDue, this, &ScaleUpdate::autoRun);
    connect(&window, &ScaleUpdateWindow::loadRequested, this, &ScaleUpdate::load);
    connect(&window, &ScaleUpdateWindow::programRequested, this, &ScaleUpdate::program);
    connect(&window, &ScaleUpdateWindow::readRequested, this, &ScaleUpdate::read);
    connect(&window, &ScaleUpdateWindow::areaChosen, this, &ScaleUpdate::chooseArea);
    connect(&window, &ScaleUpdateWindow::pageRequested, this, &ScaleUpdate::turnPage);
    connect(
        &window, &ScaleUpdateWindow::serialNumberEntered, this, &ScaleUpdate::enterSerialNumber);
    connect(&window, &ScaleUpdateWindow::portChosen, this, &ScaleUpdate::choosePort);
    connect(&window, &ScaleUpdateWindow::exitRequested, this, &ScaleUpdate::askQuit);
    connect(&window, &ScaleUpdateWindow::closeRequested, this, &ScaleUpdate::askQuit);
    connect(&m_sessionEnd, &platform::SessionEnd::ending, this, &ScaleUpdate::endWithTheSession);

    m_image.erase();
    writeSerialNumber();
    showFirstPage();
    chooseArea(true);
}

ScaleUpdate::~ScaleUpdate()
{
    m_scale.close();
}

void ScaleUpdate::autoRun()
{
    if (running())
        return;
    qCInfo(lcScale) << "automatic update run";
    m_window->setStatus(tr("Updating scale with latest postage rates and services..."));
    if (load())
        program();
}

bool ScaleUpdate::load()
{
    if (ignoredDuringRun("Load"))
        return false;
    const QString &path = m_updateFile;
    const core::UpdateFileRead file = core::readUpdateFile(path, m_trusted);
    m_window->setBusy(false);
    core::HexLoadResult result;
    if (!file.read)
        result.fault = file.error;
    else if (!signatureAccepted(file))
        return false;
    else
        result = core::loadIntelHex(file.bytes, m_image);
    m_sha256 = file.sha256;
    m_key = file.signature.keyId;
    if (!result.ok) {
        qCWarning(lcScale).noquote() << "update file" << path << "refused:" << result.message();
        tell(result.message(), QMessageBox::Warning);
        return false;
    }
    qCInfo(lcScale).noquote() << "update file" << path << "loaded," << result.dataRecords
                              << "data records";
    const quint8 marker = m_image.at(core::FlashImage::kAreaMarkerAddress);
    if (marker == core::FlashImage::kApromMarker)
        chooseArea(true);
    else if (marker == core::FlashImage::kLdromMarker)
        chooseArea(false);
    writeSerialNumber();
    showFirstPage();
    return true;
}

bool ScaleUpdate::signatureAccepted(const core::UpdateFileRead &file)
{
    using Outcome = core::SignatureCheck::Outcome;
    const core::SignatureCheck &signature = file.signature;
    if (signature.outcome == Outcome::Signed) {
        qCInfo(lcScale).noquote() << "update file signed by key" << signature.keyId
                                  << QStringLiteral("(%1),").arg(signature.comment) << "SHA-256"
                                  << file.sha256;
        return true;
    }
    if (signature.outcome == Outcome::Unsigned) {
        qCWarning(lcScale).noquote() << "update file without a signature, SHA-256" << file.sha256;
        const bool yes = m_prompts.askYes(
            m_window,
            {tr("This update file does not carry Kovara's signature, so nothing shows that it "
                "comes from Kovara.")
                 + QStringLiteral("\r\r")
                 + tr("Continue only if Kovara's support told you to use this file. Do you want "
                      "to continue?"),
             QMessageBox::Yes | QMessageBox::No,
             QMessageBox::Warning,
             tr("Unsigned Update File"),
             QMessageBox::No});
        qCInfo(lcScale) << "the unsigned update file" << (yes ? "is used" : "is not used");
        return yes;
    }
    qCWarning(lcScale).noquote() << "update file refused: its signature" << int(signature.outcome)
                                 << "by key" << signature.keyId << "does not hold, SHA-256"
                                 << file.sha256;
    m_prompts.tell(m_window,
                   {core::refusalText(signature.outcome),
                    QMessageBox::Ok,
                    QMessageBox::Critical,
                    tr("Update File Refused")});
    platform::deleteFile(m_updateFile);
    platform::deleteFile(core::signaturePath(m_updateFile));
    return false;
}

void ScaleUpdate::program()
{
    if (ignoredDuringRun("Program"))
        return;
    m_operation = Operation::Programming;
    m_sessionEnd.hold(m_window->winId(), tr("Updating your scale — do not switch off"));
    // Reading the serial number may take ten seconds on a silent scale.
    m_window->setBusy(true);
    m_runTime.start();
    m_retries = 0;
    const auto *job = m_scale.update(m_image);
    connect(job, &device::ScaleJob::progress, m_window, &ScaleUpdateWindow::showProgress);
    connect(job, &device::ScaleJob::serialNumberUsed, this, [this](const QString &serial) {
        m_serialNumber = serial;
        writeSerialNumber();
    });
    connect(job, &device::ScaleJob::finished, this, [this, job] {
        m_retries = job->result().retries;
        runEnded(job->result().outcome);
    });
}

void ScaleUpdate::read()
{
    if (ignoredDuringRun("Read"))
        return;
    const bool aprom = m_window->apromChosen();
    m_operation = aprom ? Operation::ReadAprom : Operation::ReadLdrom;
    m_image.erase();
    m_window->setBusy(true);
    if (aprom)
        writeSerialNumber();
    const auto *job
        = m_scale.readArea(aprom ? device::FlashArea::Aprom : device::FlashArea::Ldrom, m_image);
    connect(job, &device::ScaleJob::progress, m_window, &ScaleUpdateWindow::showProgress);
    connect(job, &device::ScaleJob::finished, this, [this, job] { areaRead(job->result()); });
}

void ScaleUpdate::chooseArea(bool aprom)
{
    m_window->showArea(aprom);
}

void ScaleUpdate::turnPage(int step)
{
    m_pageNo = std::clamp(m_pageNo + step, 0, 3);
    m_window->showPage(m_pageNo, core::pageText(m_image, m_pageNo));
}

void ScaleUpdate::showFirstPage()
{
    m_pageNo = 0;
    turnPage(0);
}

void ScaleUpdate::writeSerialNumber()
{
    device::writeSerialNumber(m_image, m_serialNumber);
}

void ScaleUpdate::enterSerialNumber(bool storeInScale)
{
    if (ignoredDuringRun(storeInScale ? "Change SN" : "Register SN"))
        return;
    const auto serial = askSerialNumber();
    if (!serial)
        return;
    m_serialNumber = *serial;
    writeSerialNumber();
    if (!storeInScale)
        return;
    // Each byte may wait up to twice ten seconds for a silent scale.
    m_operation = Operation::StoringSerial;
    m_window->setBusy(true);
    const auto *job = m_scale.storeSerialNumber(m_image);
    connect(
        job, &device::ScaleJob::finished, this, [this, job] { serialNumberStored(job->result()); });
}

void ScaleUpdate::serialNumberStored(device::RunOutcome outcome)
{
    using device::RunOutcome;
    m_operation = Operation::None;
    m_window->setBusy(false);
    if (outcome == RunOutcome::Done)
        tell(tr("Modify Password successfully"));
    else
        tell(outcome == RunOutcome::ScaleLost ? tr("Timer Out") : tr("Error"));
}

void ScaleUpdate::choosePort(int number)
{
    if (ignoredDuringRun("PC Port"))
        return;
    m_scale.close();
    m_scale.setPortNumber(number);
    m_window->showPort(number);
    const auto *job = m_scale.open();
    connect(job, &device::ScaleJob::finished, this, [this, job] {
        if (const auto &error = job->result()) {
            qCWarning(lcScale).noquote() << error->text();
            tell(error->text(), QMessageBox::Warning);
        }
    });
}

bool ScaleUpdate::ignoredDuringRun(const char *command) const
{
    if (!running())
        return false;
    qCInfo(lcScale) << command << "ignored: the scale is being programmed or read";
    return true;
}

void ScaleUpdate::askQuit()
{
    if (m_operation == Operation::Stopping) {
        qCInfo(lcScale) << "the update is stopping; the program ends with it";
        return;
    }
    if (!writingScale()) {
        Q_EMIT quitAsked();
        return;
    }
    if (!m_prompts.askQuit(m_window, QuitDialog::Subject::ScaleBeingWritten))
        return;
    // The run may have ended while the question was up.
    if (!writingScale()) {
        Q_EMIT stopped();
        return;
    }
    qCInfo(lcScale) << "stopping the update before the next frame";
    m_operation = Operation::Stopping;
    m_scale.stop();
}

void ScaleUpdate::runEnded(device::RunOutcome outcome)
{
    using device::RunOutcome;
    if (m_operation == Operation::Ended)
        return;
    const bool stopping = m_operation == Operation::Stopping;
    m_operation = Operation::None;
    m_sessionEnd.release();
    record(outcome, stopping);
    if (stopping) {
        // The user is leaving: whatever ended the run, no other window comes.
        qCInfo(lcScale) << "update stopped; it ended" << int(outcome);
        Q_EMIT stopped();
    } else if (outcome == RunOutcome::Done) {
        m_window->setBusy(false);
        m_window->hideProgress();
        platform::deleteFile(m_updateFile);
        platform::deleteFile(core::signaturePath(m_updateFile));
        Q_EMIT scaleUpdated();
    } else if (outcome == RunOutcome::SerialRefused) {
        // The window stays for the service tools: it must look and act ready.
        m_window->setBusy(false);
        m_window->hideProgress();
        tell(tr("Serial number wrong"));
    } else {
        Q_EMIT scaleLost();
    }
}

void ScaleUpdate::recordRunsIn(const QString &historyFile, const QString &source)
{
    m_historyFile = historyFile;
    m_source = source;
}

void ScaleUpdate::record(device::RunOutcome outcome, bool stopped)
{
    if (m_historyFile.isEmpty())
        return;
    core::UpdateRecord record;
    record.endedAt = QDateTime::currentDateTimeUtc();
    record.serial = m_serialNumber;
    record.port = platform::comName(m_scale.portNumber());
    record.file = m_source.isEmpty() ? m_updateFile : m_source;
    record.sha256 = m_sha256;
    record.key = m_key;
    record.outcome = outcome == device::RunOutcome::Done    ? QStringLiteral("updated")
        : stopped || outcome == device::RunOutcome::Stopped ? QStringLiteral("stopped")
                                                            : QStringLiteral("failed");
    record.seconds = double(m_runTime.elapsed()) / 1000.0;
    record.retries = m_retries;
    platform::HistoryFile(m_historyFile).append(record.toJson());
}

void ScaleUpdate::endWithTheSession()
{
    // The system ends the program once this returns: the scale's session is closed now, not in
    // the event loop's next turn.
    qCInfo(lcScale) << "the user's session ends: the update stops before the next frame";
    m_operation = Operation::Ended;
    m_scale.shutDown();
    record(device::RunOutcome::Stopped, true);
    m_sessionEnd.release();
    Q_EMIT sessionEnded();
}

void ScaleUpdate::areaRead(const device::AreaRead &result)
{
    using device::RunOutcome;
    const RunOutcome outcome = result.outcome;
    const bool aprom = m_operation == Operation::ReadAprom;
    m_operation = Operation::None;
    m_image = result.image;
    m_window->setBusy(false);
    m_window->hideProgress();
    if (outcome == RunOutcome::Done) {
        showFirstPage();
        tell(aprom ? tr("APROM Read successfully") : tr("LDROM Read suceessfully"));
    } else if (outcome == RunOutcome::SerialRefused) {
        tell(tr("Serial number wrong"));
    } else if (outcome == RunOutcome::ScaleLost && aprom) {
        Q_EMIT scaleLost();
    }
}

std::optional<QString> ScaleUpdate::askSerialNumber()
{
    // Asked until the user gives 8 digits (telling "input wrong" otherwise) or nothing; nothing
    // means the command ends.
    for (;;) {
        const QString answer = m_prompts.askText(m_window, tr("Input Serial Number "));
        if (answer.isEmpty())
            return std::nullopt;
        if (device::isSerialNumber(answer))
            return answer;
        tell(tr("input wrong"));
    }
}

void ScaleUpdate::tell(const QString &text, QMessageBox::Icon icon)
{
    m_prompts.tell(m_window, {text, QMessageBox::Ok, icon});
}
