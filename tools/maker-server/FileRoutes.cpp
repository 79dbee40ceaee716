// The maker's files: /files/NAME, the fixed paths of the banner, installer, manual and product
// page, and fault routes that misbehave in the ways a download must survive.

#include "FileDelivery.h"
#include "HttpFiles.h"
#include "Minisign.h"
#include "Routes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace maker {

namespace {

std::string executableFolder()
{
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<size_t>(length));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool isPlainName(const std::string &name)
{
    return !name.empty() && name.find('/') == std::string::npos
        && name.find('\\') == std::string::npos && name != "." && name != "..";
}

void sendSmall(const Request &request,
               Connection &connection,
               http::status status,
               const std::string &body,
               const std::string &extraHeader = std::string())
{
    Response response = makeResponse(request, status, "text/html; charset=utf-8", body);
    if (!extraHeader.empty()) {
        const auto colon = extraHeader.find(':');
        response.set(extraHeader.substr(0, colon), extraHeader.substr(colon + 2));
    }
    connection.send(response);
}

std::uint64_t queryNumber(const Request &request, const std::string &key, std::uint64_t fallback);

// "?reset=N" on a file or fault route cuts the body after N bytes on the first request for that
// address only ("&cuts=K": on the first K requests, "&cuts=all": on every one); later requests get
// the route's answer whole. (Qt may send a request that was cut once more by itself: it counts.)
bool stillToCut(const Request &request, std::uint64_t cuts)
{
    static std::mutex mutex;
    static std::map<std::string, std::uint64_t> seen;
    std::lock_guard<std::mutex> lock(mutex);
    return ++seen[std::string(request.target())] <= cuts;
}

std::string queryText(const Request &request, const std::string &key);

// What the query asks of any route: "?reset=N[&cuts=K]" (above) and
// "?validator=none|weak|fixed" (Delivery::Validators).
void applyQuery(const Request &request, Delivery &delivery)
{
    const std::uint64_t cutAt = queryNumber(request, "reset", UINT64_MAX);
    if (cutAt != UINT64_MAX
        && (queryText(request, "cuts") == "all"
            || stillToCut(request, queryNumber(request, "cuts", 1))))
        delivery.resetAfter = static_cast<std::int64_t>(cutAt);
    const std::string validator = queryText(request, "validator");
    using V = Delivery::Validators;
    delivery.validators = validator == "none" ? V::None
        : validator == "weak"                 ? V::Weak
        : validator == "fixed"                ? V::Fixed
                                              : delivery.validators;
}

class Files
{
public:
    explicit Files(const Options &options)
        : m_folder(options.filesDir)
        , m_builtIn(executableFolder() + "/maker-files")
    { }

    std::optional<FileInfo> find(const std::string &name) const
    {
        if (!isPlainName(name))
            return std::nullopt;
        if (!m_folder.empty()) {
            if (auto info = statFile(m_folder + "/" + name))
                return info;
        }
        return statFile(m_builtIn + "/" + name);
    }

private:
    std::string m_folder;
    std::string m_builtIn;
};

// NAME.minisig for every file NAME served, signed when asked for with the server's key. The query
// of the file's address stays on the signature's: "?sig=none" leaves it out (404),
// "?sig=other-key" signs with a key nobody trusts, "?sig=legacy" signs the file itself (the
// legacy form), "?sig=stall" answers nothing for 10 s ("&seconds=N": N) and then closes. A
// NAME.minisig of the files folder is served as it is.
class Signatures
{
public:
    explicit Signatures(const Options &options)
        : m_folder(std::filesystem::temp_directory_path()
                   / ("kovara-maker-server-" + std::to_string(::getpid())))
    {
        std::string error;
        if (auto key = readSigningKey(options.signingKey, &error))
            m_key = *key;
        else
            throw std::runtime_error(error);
        m_otherKey = newSigningKey();
        std::filesystem::create_directories(m_folder);
    }
    ~Signatures()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    // The signature of file as the variant asks; none when it is to be left out.
    std::optional<FileInfo> of(const FileInfo &file, const std::string &variant) const
    {
        if (variant == "none")
            return std::nullopt;
        std::ifstream in(file.path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        const std::string name = std::filesystem::path(file.path).filename().string();
        const bool legacy = variant == "legacy";
        const std::string comment = "timestamp:" + std::to_string(std::time(nullptr))
            + "\tfile:" + name + (legacy ? "" : "\thashed");
        const auto path = m_folder / (name + "." + (variant.empty() ? "signed" : variant));
        std::lock_guard<std::mutex> lock(m_mutex);
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            << signatureText(variant == "other-key" ? m_otherKey : m_key, bytes, comment, legacy);
        return statFile(path.string());
    }

private:
    std::filesystem::path m_folder;
    SigningKey m_key;
    SigningKey m_otherKey;
    mutable std::mutex m_mutex;
};

// The part of the request's path after prefix, without a query, percent-decoded.
std::string nameAfter(const Request &request, std::string_view prefix)
{
    std::string target(request.target());
    const auto query = target.find('?');
    if (query != std::string::npos)
        target.erase(query);
    return percentDecoded(target.substr(std::min(prefix.size(), target.size())));
}

// The value of key in the request's query, up to the next "&"; empty when it is not there.
std::string queryText(const Request &request, const std::string &key)
{
    const std::string target(request.target());
    const auto query = target.find('?');
    if (query == std::string::npos)
        return {};
    const std::string pairs = "&" + target.substr(query + 1);
    const auto at = pairs.find("&" + key + "=");
    if (at == std::string::npos)
        return {};
    const auto from = at + key.size() + 2;
    return pairs.substr(from, pairs.find('&', from) - from);
}

std::uint64_t queryNumber(const Request &request, const std::string &key, std::uint64_t fallback)
{
    const std::string text = queryText(request, key);
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())))
        return fallback;
    try {
        return std::stoull(text);
    } catch (...) {
        return fallback;
    }
}

// What a route serves under name: a file of the folders, or the signature of one as the query
// asks. None when there is nothing (or when a stall has already ended the connection: stalled).
std::optional<FileInfo> servedFile(const Files &files,
                                   const Signatures &signatures,
                                   const Request &request,
                                   const std::string &name,
                                   bool &stalled)
{
    stalled = false;
    if (auto info = files.find(name))
        return info;
    const std::string suffix = ".minisig";
    if (name.size() <= suffix.size()
        || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    const std::string variant = queryText(request, "sig");
    if (variant == "stall") {
        std::this_thread::sleep_for(std::chrono::seconds(queryNumber(request, "seconds", 10)));
        stalled = true;
        return std::nullopt;
    }
    const auto file = files.find(name.substr(0, name.size() - suffix.size()));
    return file ? signatures.of(*file, variant) : std::nullopt;
}

void notFound(const Request &request, Connection &connection)
{
    sendSmall(request,
              connection,
              http::status::not_found,
              "<html><body><h1>404 Not Found</h1></body></html>");
}

} // namespace

void addFileRoutes(Router &router, const Options &options)
{
    auto files = std::make_shared<Files>(options);
    auto signatures = std::make_shared<Signatures>(options);

    // Serves name as delivery says, or answers 404.
    const auto serve = [files, signatures](const Request &request,
                                           Connection &c,
                                           const std::string &name,
                                           const Delivery &delivery) {
        bool stalled = false;
        if (auto info = servedFile(*files, *signatures, request, name, stalled))
            serveFile(request, c, *info, delivery);
        else if (stalled)
            c.close();
        else
            notFound(request, c);
    };
    const auto serveUnder = [serve](const std::string &prefix, Delivery delivery = Delivery()) {
        return [serve, prefix, delivery](const Request &request, Connection &c) {
            Delivery once = delivery;
            applyQuery(request, once);
            serve(request, c, nameAfter(request, prefix), once);
        };
    };

    router.add("GET", "/files/*", serveUnder("/files/"));
    router.add("HEAD", "/files/*", serveUnder("/files/"));
    // The maker's download server (banner, installer) and manual server.
    router.add("GET", "/KovaraDownload/*", serveUnder("/KovaraDownload/"));
    router.add("GET", "/Manuals/*", serveUnder("/Manuals/"));
    // The product page on the maker's web site.
    router.add("GET", "/kovarapc/norvessia/*", serveUnder("/kovarapc/norvessia/"));

    // Fault routes. NAME is a file of the files folder; the answer is the fault, not the file.
    router.add("", "/fault/404/*", [](const Request &request, Connection &connection) {
        notFound(request, connection);
    });
    router.add("", "/fault/401/*", [](const Request &request, Connection &connection) {
        sendSmall(request,
                  connection,
                  http::status::unauthorized,
                  "<html><body><h1>401 Unauthorized</h1></body></html>",
                  "WWW-Authenticate: Basic realm=\"Kovara downloads\"");
    });
    router.add("", "/fault/204/*", [](const Request &request, Connection &connection) {
        connection.sendRaw(statusLine(request, 204, "No Content")
                           + "Server: kovara-maker-server\r\n\r\n");
        if (!request.keep_alive())
            connection.close();
    });
    // /fault/status/CODE/NAME: any other status.
    router.add("", "/fault/status/*", [](const Request &request, Connection &connection) {
        const std::string rest = nameAfter(request, "/fault/status/");
        int code = 500;
        try {
            code = std::stoi(rest);
        } catch (...) { }
        if (code < 100 || code > 999)
            code = 500;
        Response response
            = makeResponse(request,
                           static_cast<http::status>(code),
                           "text/html",
                           "<html><body><h1>" + std::to_string(code) + "</h1></body></html>");
        connection.send(response);
    });
    // /fault/redirect/CODE/NAME: a redirect to /files/NAME on this server, or, with
    // "?host=H", to the same path on host H at this port, or with "?scheme=S", to S://HOST/...
    router.add("GET", "/fault/redirect/*", [](const Request &request, Connection &connection) {
        const std::string rest = nameAfter(request, "/fault/redirect/");
        const auto slash = rest.find('/');
        int code = 302;
        try {
            code = std::stoi(rest.substr(0, slash));
        } catch (...) { }
        if (slash == std::string::npos || code < 300 || code > 399)
            return notFound(request, connection);
        const auto hostHeader = request.find(http::field::host);
        std::string host
            = hostHeader == request.end() ? "127.0.0.1" : std::string(hostHeader->value());
        const std::string otherHost = queryText(request, "host");
        if (!otherHost.empty()) {
            const auto colon = host.rfind(':');
            host = otherHost + (colon == std::string::npos ? "" : host.substr(colon));
        }
        const std::string scheme = queryText(request, "scheme");
        const std::string path = "/files/" + rest.substr(slash + 1);
        const std::string location = otherHost.empty() && scheme.empty()
            ? path
            : (scheme.empty() ? "http" : scheme) + "://" + host + path;
        Response response = makeResponse(request,
                                         static_cast<http::status>(code),
                                         "text/html",
                                         "<html><body>Moved</body></html>");
        response.set(http::field::location, location);
        connection.send(response);
    });
    // /fault/reset/N/NAME: declares the whole length, sends N bytes and cuts the connection.
    router.add("GET", "/fault/reset/*", [files](const Request &request, Connection &connection) {
        const std::string rest = nameAfter(request, "/fault/reset/");
        const auto slash = rest.find('/');
        std::int64_t count = -1;
        try {
            count = std::stoll(rest.substr(0, slash));
        } catch (...) { }
        const auto info
            = slash == std::string::npos ? std::nullopt : files->find(rest.substr(slash + 1));
        if (!info || count < 0)
            return notFound(request, connection);
        Delivery delivery;
        delivery.resetAfter = count;
        serveFile(request, connection, *info, delivery);
    });
    router.add("GET", "/fault/ignore-range/*", [serve](const Request &request, Connection &c) {
        Delivery delivery;
        delivery.ignoreRange = true;
        applyQuery(request, delivery);
        serve(request, c, nameAfter(request, "/fault/ignore-range/"), delivery);
    });
    router.add("GET", "/fault/no-length/*", [serve](const Request &request, Connection &c) {
        // A body made as it is sent: no length, and no ranges either.
        Delivery delivery;
        delivery.noLength = true;
        delivery.ignoreRange = true;
        applyQuery(request, delivery);
        serve(request, c, nameAfter(request, "/fault/no-length/"), delivery);
    });
    // /fault/slow/NAME[?bps=N]: a trickle, 20,000 bytes a second unless told.
    router.add("GET", "/fault/slow/*", [serve](const Request &request, Connection &c) {
        Delivery delivery;
        delivery.bytesPerSecond = std::max<std::uint64_t>(1, queryNumber(request, "bps", 20000));
        serve(request, c, nameAfter(request, "/fault/slow/"), delivery);
    });
}

} // namespace maker
