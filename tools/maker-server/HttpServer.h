#pragma once

// A small HTTP/1.1 server on loopback for the maker server tool. Each connection runs on its own
// thread with blocking reads and writes, so a route can write raw bytes, trickle a body or cut
// the connection short, which the fault routes need. Requests reach routes with their raw body.

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/http.hpp>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace maker {

namespace http = boost::beast::http;
using tcp = boost::asio::ip::tcp;
using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

// One client connection, as a route sees it.
class Connection
{
public:
    explicit Connection(tcp::socket &socket);

    // Sends a whole response (Content-Length is set from the body unless the route set it).
    void send(Response &response);
    // Writes bytes as they are, for routes that build their own status line and headers.
    bool sendRaw(std::string_view bytes);
    // Ends the connection after the current route (no further requests on it).
    void close();
    bool isClosed() const { return m_closed; }
    tcp::socket &socket() { return m_socket; }

private:
    tcp::socket &m_socket;
    bool m_closed = false;
};

using Handler = std::function<void(const Request &, Connection &)>;

class Router
{
public:
    // A route for one path exactly ("/") or, with a trailing '*', every path under a prefix
    // ("/files/*"). An empty method matches every method.
    void add(std::string method, std::string path, Handler handler);
    // The handler for a request, or nullptr.
    const Handler *match(const Request &request) const;

private:
    struct Route
    {
        std::string method;
        std::string path;
        bool prefix;
        Handler handler;
    };
    std::vector<Route> m_routes;
};

class Server
{
public:
    // Binds to address:port at once (port 0 picks a free port).
    Server(const std::string &address, std::uint16_t port, Router router, bool quiet = false);
    std::uint16_t port() const;
    // Accepts connections until the process ends.
    void run();

private:
    void serve(tcp::socket socket);
    void log(const std::string &line);

    boost::asio::io_context m_io;
    tcp::acceptor m_acceptor;
    Router m_router;
    bool m_quiet;
    std::mutex m_logMutex;
};

// A response with a status, a content type and a body.
Response makeResponse(const Request &request,
                      http::status status,
                      const std::string &contentType,
                      std::string body);

} // namespace maker
