// The maker's files: /files/NAME, the fixed paths of the banner, installer, manual and product
// page, and fault routes that misbehave in the ways a download must survive.

#include "HttpFiles.h"
#include "Routes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
    if (rangeHeader != request.end() && !delivery.ignoreRange) {
        range = parseRange(rangeHeader->value(), file.size);
        // If-Range: the range holds only for the version of the file the client already has.
        const auto ifRange = request.find(http::field::if_range);
        if (ifRange != request.end() && ifRange->value() != file.etag
            && ifRange->value() != file.lastModified)
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
    head += "ETag: " + file.etag + "\r\n";
    head += "Last-Modified: " + file.lastModified + "\r\n";
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
// address only ("&cuts=K": on the first K requests); later requests get the route's answer whole.
bool stillToCut(const Request &request, std::uint64_t cuts)
{
    static std::mutex mutex;
    static std::map<std::string, std::uint64_t> seen;
    std::lock_guard<std::mutex> lock(mutex);
    return ++seen[std::string(request.target())] <= cuts;
}

void cutOnceIfAsked(const Request &request, Delivery &delivery)
{
    const std::uint64_t cutAt = queryNumber(request, "reset", UINT64_MAX);
    if (cutAt != UINT64_MAX && stillToCut(request, queryNumber(request, "cuts", 1)))
        delivery.resetAfter = static_cast<std::int64_t>(cutAt);
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

std::uint64_t queryNumber(const Request &request, const std::string &key, std::uint64_t fallback)
{
    const std::string target(request.target());
    const auto at = target.find("?" + key + "=") != std::string::npos
        ? target.find("?" + key + "=")
        : target.find("&" + key + "=");
    if (at == std::string::npos)
        return fallback;
    try {
        return std::stoull(target.substr(at + key.size() + 2));
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
            cutOnceIfAsked(request, once);
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
        cutOnceIfAsked(request, delivery);
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
        cutOnceIfAsked(request, delivery);
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
