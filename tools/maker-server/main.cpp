// kovara-maker-server: the maker's servers on loopback, for the demo, the tests and benchmarks.

#include "Routes.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

namespace {

void usage(std::ostream &out)
{
    out << "usage: kovara-maker-server [--port N] [--files DIR] [--db FILE]\n"
           "                           [--version V] [--update Y|N] [--allow-writes] [--quiet]\n"
           "                           [--key FILE]\n"
           "  --port N        port on 127.0.0.1 (default 8642; 0 picks a free one)\n"
           "  --files DIR     folder of the files served under /files/\n"
           "  --db FILE       database file of the query endpoint (created when missing;\n"
           "                  without it the database lives in memory)\n"
           "  --version V     CurrentVersion of the program row\n"
           "  --update Y|N    SoftwareUpdate of the program row\n"
           "  --allow-writes  let queries change the database (read-only otherwise)\n"
           "  --quiet         do not log requests\n"
           "  --key FILE      the minisign secret key (made with minisign -G -W) that signs\n"
           "                  NAME.minisig for every file served (default: keys/dev.key)\n"
           "  --log FILE      write what it prints (its address, the requests) to FILE instead,\n"
           "                  and end when FILE is deleted\n";
}

} // namespace

int main(int argc, char *argv[])
{
    maker::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char *name) -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "kovara-maker-server: " << name << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--port") {
            const std::string text = value("--port");
            char *end = nullptr;
            const long port = std::strtol(text.c_str(), &end, 10);
            if (!end || *end || port < 0 || port > 65535) {
                std::cerr << "kovara-maker-server: bad port " << text << "\n";
                return 2;
            }
            options.port = static_cast<int>(port);
        } else if (arg == "--files") {
            options.filesDir = value("--files");
        } else if (arg == "--db") {
            options.database = value("--db");
        } else if (arg == "--version") {
            options.version = value("--version");
        } else if (arg == "--update") {
            options.update = value("--update");
        } else if (arg == "--allow-writes") {
            options.allowWrites = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--key") {
            options.signingKey = value("--key");
        } else if (arg == "--log") {
            // For callers that cannot read its output streams (Windows programs under Wine).
            const std::string log = value("--log");
            if (!std::freopen(log.c_str(), "a", stdout) || !std::freopen(log.c_str(), "a", stderr))
                return 2;
            // Such a caller cannot end a Linux process either: it deletes the file instead.
            std::thread([log] {
                while (::access(log.c_str(), F_OK) == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                std::_Exit(0);
            }).detach();
        } else if (arg == "--help" || arg == "-h") {
            usage(std::cout);
            return 0;
        } else {
            std::cerr << "kovara-maker-server: unknown option " << arg << "\n";
            usage(std::cerr);
            return 2;
        }
    }

    try {
        maker::Router router;
        maker::addQueryRoutes(router, options);
        maker::addFileRoutes(router, options);
        maker::addProbeRoutes(router, options);
        maker::Server server(options.address,
                             static_cast<std::uint16_t>(options.port),
                             std::move(router),
                             options.quiet);
        std::cout << "kovara-maker-server listening on http://" << options.address << ":"
                  << server.port() << std::endl;
        server.run();
    } catch (const std::exception &error) {
        std::cerr << "kovara-maker-server: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
