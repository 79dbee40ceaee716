#pragma once

// Sending one file as a route asks: whole or the range asked for (If-Range honoured), with the
// validators a server, proxy or CDN would leave, at a pace, or cut after some bytes.

#include "HttpFiles.h"
#include "HttpServer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace maker {

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

// "HTTP/1.1 200 OK\r\n", in the request's HTTP version.
std::string statusLine(const Request &request, int code, std::string_view reason);

void serveFile(const Request &request,
               Connection &connection,
               const FileInfo &file,
               const Delivery &delivery);

} // namespace maker
