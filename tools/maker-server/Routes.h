#pragma once

// The maker's web, download and manual servers, as routes of one server on loopback. Each group of
// routes lives in its own file and is added here by main().

#include "HttpServer.h"

#include <string>

namespace maker {

struct Options
{
    std::string address = "127.0.0.1";
    int port = 8642;
    // Folder of the files served under /files/ and at the maker's fixed paths.
    std::string filesDir;
    // SQLite database of the query endpoint (created and seeded when missing).
    std::string database;
    // Values to put in the program row of the database at start, when given.
    std::string version;
    std::string update;
    bool allowWrites = false;
    bool quiet = false;
    // The minisign secret key (without a password) the served files' signatures are made with.
    std::string signingKey = KOVARA_MAKER_SIGNING_KEY;
};

// "/": the page the program's internet check opens.
void addProbeRoutes(Router &router, const Options &options);
// "/files/NAME", the maker's fixed paths (banner, installer, manual, product page) and the fault
// routes for the download engine.
void addFileRoutes(Router &router, const Options &options);
// "/kovarapc/samplecodes/sql-link.php": the enciphered query endpoint over SQLite.
void addQueryRoutes(Router &router, const Options &options);

} // namespace maker
