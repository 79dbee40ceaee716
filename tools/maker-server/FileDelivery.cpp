#include "FileDelivery.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

namespace maker {

namespace {

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

} // namespace

std::string statusLine(const Request &request, int code, std::string_view reason)
{
    return std::string(request.version() == 10 ? "HTTP/1.0 " : "HTTP/1.1 ") + std::to_string(code)
        + " " + std::string(reason) + "\r\n";
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

} // namespace maker
