#include "net/MakerAddresses.h"

#include "platform/BuildConfig.h"

namespace maker {

namespace {

QString downloadServer(const char *path)
{
    return QString::fromUtf8(build_config::kMakerDownloadUrl) + QLatin1String(path);
}

} // namespace

QString webSite()
{
    return QString::fromUtf8(build_config::kMakerWebUrl);
}

QString queryUrl()
{
    return webSite() + QLatin1String("/kovarapc/samplecodes/sql-link.php");
}

QString installerUrl()
{
    return downloadServer("/KovaraDownload/KovaraNorvessia_PCProgram.exe");
}

QString bannerUrl()
{
    return downloadServer("/KovaraDownload/norvessiaupdatebanner.jpg");
}

QString manualUrl()
{
    return downloadServer("/Manuals/KovaraNorvessia_Manual.pdf");
}

QString productPageUrl()
{
    return webSite() + QLatin1String("/kovarapc/norvessia/kovaranorvessia.htm");
}

} // namespace maker
