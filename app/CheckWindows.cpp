#include "app/CheckWindows.h"

#include "app/ProgramVersion.h"
#include "app/frmVersion.h"
#include "app/frmWelcome.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Timer.h"
#include "query/modCheck.h"

#include <QImageReader>
#include <QLoggingCategory>
#include <QPixmap>

Q_DECLARE_LOGGING_CATEGORY(lcCheck)

void CheckNewVersion()
{
    ::frmVersion &version = Forms::frmVersion();
    for (;;) {
        version.lblProg->setText(modCheck::TrimBlanks(programVersionText()));
        version.lblLatest->setText(modCheck::CheckProgramVersion());
        const QString latest = version.lblLatest->text();
        if (latest == version.lblProg->text()) {
            return;
        }
        if (latest.isEmpty() || latest == QStringLiteral("Version ")) {
            const int answer = platform::MsgBox(
                QStringLiteral(
                    "An error occurred while trying to check latest version of PC Program."),
                platform::mb::RetryCancel | platform::mb::Information,
                QStringLiteral("Error Encountered"));
            if (answer == platform::mb::Retry)
                continue;
            return;
        }
        qCInfo(lcCheck).noquote() << "a different program version is available:" << latest;
        QPalette palette = version.lblLatest->palette();
        palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
        version.lblLatest->setPalette(palette);
        version.cmdDownloadPCProg->setEnabled(true);
        version.cmdExit->setEnabled(true);
        version.Show();
        return;
    }
}

void CheckUpdate()
{
    ::frmWelcome &welcome = Forms::frmWelcome();
    const QString answer = modCheck::CheckSoftwareUpdate();
    if (answer != QStringLiteral("Y") && answer != QStringLiteral("N")
        && answer != QStringLiteral("y") && answer != QStringLiteral("n")) {
        platform::MsgBox(QStringLiteral("Unable to check software update."), platform::mb::OKOnly);
        return;
    }
    if (answer == QStringLiteral("N") || answer == QStringLiteral("n")) {
        welcome.Timer2->setEnabled(false);
        return;
    }
    welcome.Timer2->setEnabled(true);
    const QString folder = platform::workingFolder() + QLatin1Char('/');
    if (!modCheck::RetrieveFile(welcome.Inet1(), modCheck::BannerURL(), folder))
        return;
    welcome.ImgBanner->setVisible(true);
    const QString path = platform::workingFile(QString::fromLatin1(platform::kBannerFileName));
    QImageReader reader(path);
    const QImage picture = reader.read();
    if (picture.isNull())
        qCWarning(lcCheck).noquote() << "the banner is not a picture:" << reader.errorString();
    else
        welcome.setBanner(QPixmap::fromImage(picture));
    platform::deleteFile(path);
}
