#include "net/MakerAddresses.h"

#include "platform/BuildConfig.h"

#include <utility>

namespace net {

MakerAddresses::MakerAddresses(QString web, QString download, QString probe)
    : m_web(std::move(web))
    , m_download(std::move(download))
    , m_probe(std::move(probe))
{ }

MakerAddresses MakerAddresses::built()
{
    return {QString::fromUtf8(build_config::kMakerWebUrl),
            QString::fromUtf8(build_config::kMakerDownloadUrl),
            QString::fromUtf8(build_config::kProbeUrl)};
}

MakerAddresses MakerAddresses::onOneServer(const QString &url)
{
    return {url, url, url + QLatin1Char('/')};
}

QString MakerAddresses::queryUrl() const
{
    return m_web + QLatin1String("/kovarapc/samplecodes/sql-link.php");
}

QString MakerAddresses::productPageUrl() const
{
    return m_web + QLatin1String("/kovarapc/norvessia/kovaranorvessia.htm");
}

QString MakerAddresses::installerUrl() const
{
    return m_download + QLatin1String("/KovaraDownload/KovaraNorvessia_PCProgram.exe");
}

QString MakerAddresses::bannerUrl() const
{
    return m_download + QLatin1String("/KovaraDownload/norvessiaupdatebanner.jpg");
}

QString MakerAddresses::manualUrl() const
{
    return m_download + QLatin1String("/Manuals/KovaraNorvessia_Manual.pdf");
}

} // namespace net
