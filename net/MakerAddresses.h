#pragma once

// The maker's addresses: the query endpoint and the product page on its web server, the files on
// its download server, and the page the start-up's internet check opens. The hosts are fixed when
// the program is built; the paths are the maker's.

#include <QString>

namespace net {

class MakerAddresses
{
public:
    // As the program was built (CMake's KOVARA_MAKER_WEB_URL, KOVARA_MAKER_DOWNLOAD_URL and
    // KOVARA_PROBE_URL).
    static MakerAddresses built();
    // Everything on one server, as the maker server tool serves it: "http://127.0.0.1:8642".
    static MakerAddresses onOneServer(const QString &url);

    QString webSite() const { return m_web; }
    QString queryUrl() const;
    QString productPageUrl() const;
    QString installerUrl() const;
    QString bannerUrl() const;
    QString manualUrl() const;
    QString probeUrl() const { return m_probe; }

private:
    MakerAddresses(QString web, QString download, QString probe);

    QString m_web;
    QString m_download;
    QString m_probe;
};

} // namespace net
