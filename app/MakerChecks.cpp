#include "app/MakerChecks.h"

#include "platform/Files.h"
#include "platform/ProgramVersion.h"
#include "ui/MainWindow.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QImageReader>
#include <QLoggingCategory>
#include <QPixmap>

Q_LOGGING_CATEGORY(lcChecks, "kovara.checks")

using Question = net::MakerService::Question;

MakerChecks::MakerChecks(net::MakerService &maker,
                         Prompts &prompts,
                         QString bannerUrl,
                         QString bannerFolder,
                         std::chrono::milliseconds versionDelay,
                         QObject *parent)
    : QObject(parent)
    , m_maker(maker)
    , m_prompts(prompts)
    , m_bannerUrl(std::move(bannerUrl))
    , m_bannerFolder(std::move(bannerFolder))
{
    m_versionDelay.setSingleShot(true);
    m_versionDelay.setInterval(versionDelay);
    connect(&m_versionDelay, &QTimer::timeout, this, [this] {
        m_versionChecked = true;
        ++m_running;
        ask(Question::LatestVersion);
    });
    connect(&m_maker, &net::MakerService::answered, this, &MakerChecks::answered);
    connect(&m_maker,
            &net::MakerService::fileFetched,
            this,
            [this](const QString &, const QString &path) { bannerFetched(path); });
}

void MakerChecks::checkFor(MainWindow *window)
{
    m_bannerWindow = window;
    ++m_running;
    ask(Question::UpdateOffer);
    afterChecks([this] {
        if (m_bannerWindow && !m_versionChecked)
            m_versionDelay.start();
    });
}

void MakerChecks::afterChecks(std::function<void()> step)
{
    if (isRunning())
        m_after.push_back(std::move(step));
    else
        step();
}

void MakerChecks::ask(Question question)
{
    m_hold.hold();
    m_maker.ask(question);
}

void MakerChecks::answered(Question question, const net::MakerAnswer &answer)
{
    // The boxes below are answered by the user.
    m_hold.release();
    if (!answer.problem.isEmpty())
        m_prompts.tell(boxParent(), {answer.problem});
    const QString value = answer.value.value_or(QString());
    if (question == Question::UpdateOffer) {
        qCInfo(lcChecks).noquote() << "software update on offer:" << value;
        updateAnswered(value);
    } else {
        versionAnswered(answer.value ? QStringLiteral("Version ") + value : QString());
    }
}

void MakerChecks::updateAnswered(const QString &answer)
{
    if (answer != QStringLiteral("Y") && answer != QStringLiteral("N")
        && answer != QStringLiteral("y") && answer != QStringLiteral("n")) {
        m_prompts.tell(boxParent(), {tr("Unable to check software update.")});
        ended();
        return;
    }
    // The main window may have gone meanwhile: nothing is fetched for it then.
    if (!m_bannerWindow) {
        ended();
        return;
    }
    const bool onOffer = answer == QStringLiteral("Y") || answer == QStringLiteral("y");
    m_bannerWindow->setBannerBlinking(onOffer);
    if (!onOffer) {
        ended();
        return;
    }
    m_maker.fetchFile(m_bannerUrl, m_bannerFolder);
}

void MakerChecks::bannerFetched(const QString &path)
{
    if (!path.isEmpty() && m_bannerWindow) {
        QImageReader reader(path);
        const QImage picture = reader.read();
        if (picture.isNull())
            qCWarning(lcChecks).noquote() << "the banner is not a picture:" << reader.errorString();
        m_bannerWindow->setBanner(QPixmap::fromImage(picture));
    }
    if (!path.isEmpty())
        platform::deleteFile(path);
    ended();
}

void MakerChecks::versionAnswered(const QString &latest)
{
    qCInfo(lcChecks).noquote() << "latest program version:" << latest;
    if (latest == net::trimBlanks(platform::programVersionText())) {
        ended();
        return;
    }
    if (latest.isEmpty() || latest == QStringLiteral("Version ")) {
        const QMessageBox::StandardButton answer = m_prompts.ask(
            boxParent(),
            {tr("An error occurred while trying to check latest version of PC Program."),
             QMessageBox::Retry | QMessageBox::Cancel,
             QMessageBox::Information,
             tr("Error Encountered")});
        if (answer == QMessageBox::Retry)
            ask(Question::LatestVersion);
        else
            ended();
        return;
    }
    qCInfo(lcChecks).noquote() << "a different program version is available:" << latest;
    Q_EMIT newVersionOffered(latest);
    ended();
}

void MakerChecks::ended()
{
    if (--m_running > 0)
        return;
    for (auto &step : std::exchange(m_after, {}))
        step();
}

QWidget *MakerChecks::boxParent() const
{
    // The main window is built hidden with the first port search; until it shows, the boxes go
    // over the window the user is looking at.
    if (m_bannerWindow && m_bannerWindow->isVisible())
        return m_bannerWindow;
    return QApplication::activeWindow();
}
