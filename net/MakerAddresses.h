#pragma once

// The maker's addresses: the query endpoint on the web server, and the files on the download
// server (the hosts are fixed when the program is built, the paths are the maker's).

#include <QString>

namespace maker {

QString webSite();
QString queryUrl();
QString installerUrl();
QString bannerUrl();
QString manualUrl();
QString productPageUrl();

} // namespace maker
