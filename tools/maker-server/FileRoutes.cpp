// The maker's files: /files/NAME, the fixed paths of the banner, installer, manual and product
// page, and fault routes that misbehave in the ways a download must survive.

#include "HttpFiles.h"
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
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace maker {

namespace {

// How a route departs from a well-behaved file server.
struct Delivery
{
    bool ignoreRange = false;
    bool noLength = false;            // chunked body without Content-Length
    std::int64_t resetAfter = -1;     // bytes of the body before the connection is cut
    std::uint64_t bytesPerSecond = 0; // 0: as fast as the socket takes them
    // The validators the answer carries, as a proxy or CDN may leave them: both, none, a weak
    // ETag only, or a fixed strong ETag that never changes with the file (a server that lies).
    enum class Validators { Both, None, Weak, Fixed } validators = Validators::Both;
};

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

std::string statusLine(const Request &request, int code, std::string_view reason)
{
    return std::string(request.version() == 10 ? "HTTP/1.0 " : "HTTP/1.1 ") + std::to_string(code)
        + " " + std::string(reason) + "\r\n";
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

// Writes a part of the body; in a chunked body, as a chunk that declares declared bytes (more
// than it holds when the body is about to be cut).
bool writeBody(Connection &connection, const std::string &bytes, bool chunked, std::size_t declared)
{
    if (!chunked)
        return connection.sendRaw(bytes);
    char size[32];
    std::snprintf(size, sizeof(size), "%zx\r\n", declared);
    return connection.sendRaw(std::string(size) + bytes + (declared == bytes.size() ? "\r\n" : ""));
}

void serveFile(const Request &request,
               Connection &connection,
               const FileInfo &file,
               const Delivery &delivery)
{
    Range range;
    const auto rangeHeader = request.find(http::field::range);
    using V = Delivery::Validators;
    const std::string etag = delivery.validators == V::Fixed ? "\"fixed\""
        : delivery.validators == V::Weak                     ? "W/" + file.etag
        : delivery.validators == V::None                     ? ""
                                                             : file.etag;
    const std::string lastModified
        = delivery.validators == V::Both ? file.lastModified : std::string();
    if (rangeHeader != request.end() && !delivery.ignoreRange) {
        range = parseRange(rangeHeader->value(), file.size);
        // If-Range: the range holds only for the version of the file the client already has.
        const auto ifRange = request.find(http::field::if_range);
        if (ifRange != request.end() && (etag.empty() || ifRange->value() != etag)
            && (lastModified.empty() || ifRange->value() != lastModified))
            range = Range {};
    }
    const bool keepAlive = request.keep_alive();
    const std::string connectionHeader
        = std::string("Connection: ") + (keepAlive ? "keep-alive" : "close") + "\r\n";
    if (range.kind == Range::Unsatisfiable) {
        const std::string body = "<html><body><h1>416 Range Not Satisfiable</h1></body></html>";
        connection.sendRaw(statusLine(request, 416, "Range Not Satisfiable")
                           + "Server: kovara-maker-server\r\nContent-Type: text/html\r\n"
                           + "Content-Range: bytes */" + std::to_string(file.size) + "\r\n"
                           + "Content-Length: " + std::to_string(body.size()) + "\r\n"
                           + connectionHeader + "\r\n" + body);
        if (!keepAlive)
            connection.close();
        return;
    }

    const bool partial = range.kind == Range::Satisfiable;
    const std::uint64_t first = partial ? range.first : 0;
    const std::uint64_t length = partial ? range.last - range.first + 1 : file.size;
    const bool chunked = delivery.noLength && request.version() >= 11;
    std::string head
        = partial ? statusLine(request, 206, "Partial Content") : statusLine(request, 200, "OK");
    head += "Server: kovara-maker-server\r\n";
    head += "Content-Type: " + contentType(file.path) + "\r\n";
    head += "Accept-Ranges: bytes\r\n";
    if (!etag.empty())
        head += "ETag: " + etag + "\r\n";
    if (!lastModified.empty())
        head += "Last-Modified: " + lastModified + "\r\n";
    if (partial) {
        head += "Content-Range: bytes " + std::to_string(range.first) + "-"
            + std::to_string(range.last) + "/" + std::to_string(file.size) + "\r\n";
    }
    bool closeAfter = !keepAlive;
    if (chunked) {
        head += "Transfer-Encoding: chunked\r\n";
    } else if (delivery.noLength) {
        closeAfter = true; // an HTTP/1.0 body without a length ends with the connection
    } else {
        head += "Content-Length: " + std::to_string(length) + "\r\n";
    }
    head += std::string("Connection: ") + (closeAfter ? "close" : "keep-alive") + "\r\n\r\n";
    if (!connection.sendRaw(head))
        return;
    if (request.method() == http::verb::head) {
        if (closeAfter)
            connection.close();
        return;
    }

    std::ifstream in(file.path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(first));
    // A cut applies to a request that starts the file; a retry from further on completes.
    const bool cut = delivery.resetAfter >= 0 && (first == 0 || delivery.ignoreRange);
    std::uint64_t left = length;
    std::uint64_t sent = 0;
    const std::size_t block = delivery.bytesPerSecond
        ? std::max<std::size_t>(1, std::min<std::uint64_t>(1024, delivery.bytesPerSecond / 10))
        : std::size_t(64) * 1024;
    std::string buffer;
    const auto started = std::chrono::steady_clock::now();
    while (left > 0) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(block, left));
        const std::size_t declared = want;
        if (cut)
            want = static_cast<std::size_t>(std::min<std::uint64_t>(
                want, static_cast<std::uint64_t>(delivery.resetAfter) - sent));
        if (want == 0)
            break;
        buffer.resize(want);
        in.read(buffer.data(), static_cast<std::streamsize>(want));
        if (in.gcount() <= 0)
            break;
        buffer.resize(static_cast<std::size_t>(in.gcount()));
        if (!writeBody(connection, buffer, chunked, std::max(declared, buffer.size())))
            return;
        sent += buffer.size();
        left -= buffer.size();
        if (delivery.bytesPerSecond) {
            const auto due
                = started + std::chrono::microseconds(sent * 1000000 / delivery.bytesPerSecond);
            std::this_thread::sleep_until(due);
        }
    }
    if (left > 0) {
        // Cut short: the client has been promised more than it gets. The bytes sent arrive
        // first, as they would from a real server that breaks off mid-transfer; the connection
        // then ends. (Closed at once, on loopback a client may still see the close before the
        // bytes, and Qt then sends the request again by itself.)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        connection.close();
        return;
    }
    if (chunked)
        connection.sendRaw("0\r\n\r\n");
    if (closeAfter)
        connection.close();
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

    const auto serveUnder = [files](const std::string &prefix, Delivery delivery = Delivery()) {
        return [files, prefix, delivery](const Request &request, Connection &connection) {
            Delivery once = delivery;
            applyQuery(request, once);
            if (auto info = files->find(nameAfter(request, prefix)))
                serveFile(request, connection, *info, once);
            else
                notFound(request, connection);
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
    router.add("GET", "/fault/ignore-range/*", [files](const Request &request, Connection &c) {
        Delivery delivery;
        delivery.ignoreRange = true;
        applyQuery(request, delivery);
        if (auto info = files->find(nameAfter(request, "/fault/ignore-range/")))
            serveFile(request, c, *info, delivery);
        else
            notFound(request, c);
    });
    router.add("GET", "/fault/no-length/*", [files](const Request &request, Connection &c) {
        // A body made as it is sent: no length, and no ranges either.
        Delivery delivery;
        delivery.noLength = true;
        delivery.ignoreRange = true;
        applyQuery(request, delivery);
        if (auto info = files->find(nameAfter(request, "/fault/no-length/")))
            serveFile(request, c, *info, delivery);
        else
            notFound(request, c);
    });
    // /fault/slow/NAME[?bps=N]: a trickle, 20,000 bytes a second unless told.
    router.add("GET", "/fault/slow/*", [files](const Request &request, Connection &c) {
        Delivery delivery;
        delivery.bytesPerSecond = std::max<std::uint64_t>(1, queryNumber(request, "bps", 20000));
        if (auto info = files->find(nameAfter(request, "/fault/slow/")))
            serveFile(request, c, *info, delivery);
        else
            notFound(request, c);
    });
}

} // namespace maker
