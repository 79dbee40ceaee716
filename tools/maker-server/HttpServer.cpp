#include "HttpServer.h"

#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>

#include <cstdint>
#include <iostream>
#include <thread>

namespace maker {

Connection::Connection(tcp::socket &socket)
    : m_socket(socket)
{ }

void Connection::send(Response &response)
{
    if (response.find(http::field::content_length) == response.end())
        response.prepare_payload();
    boost::system::error_code ec;
    http::write(m_socket, response, ec);
    if (ec || !response.keep_alive())
        m_closed = true;
}

bool Connection::sendRaw(std::string_view bytes)
{
    boost::system::error_code ec;
    boost::asio::write(m_socket, boost::asio::buffer(bytes.data(), bytes.size()), ec);
    if (ec)
        m_closed = true;
    return !ec;
}

void Connection::close()
{
    m_closed = true;
}

void Router::add(std::string method, std::string path, Handler handler)
{
    bool prefix = !path.empty() && path.back() == '*';
    if (prefix)
        path.pop_back();
    m_routes.push_back({std::move(method), std::move(path), prefix, std::move(handler)});
}

const Handler *Router::match(const Request &request) const
{
    std::string target(request.target());
    const auto query = target.find('?');
    if (query != std::string::npos)
        target.erase(query);
    const std::string method(request.method_string());
    for (const Route &route : m_routes) {
        if (!route.method.empty() && route.method != method)
            continue;
        if (route.prefix ? target.compare(0, route.path.size(), route.path) == 0
                         : target == route.path)
            return &route.handler;
    }
    return nullptr;
}

Server::Server(const std::string &address, std::uint16_t port, Router router, bool quiet)
    : m_acceptor(m_io)
    , m_router(std::move(router))
    , m_quiet(quiet)
{
    const tcp::endpoint endpoint(boost::asio::ip::make_address(address), port);
    m_acceptor.open(endpoint.protocol());
    m_acceptor.set_option(boost::asio::socket_base::reuse_address(true));
    m_acceptor.bind(endpoint);
    m_acceptor.listen();
}

std::uint16_t Server::port() const
{
    return m_acceptor.local_endpoint().port();
}

void Server::run()
{
    for (;;) {
        boost::system::error_code ec;
        tcp::socket socket(m_io);
        m_acceptor.accept(socket, ec);
        if (ec)
            continue;
        std::thread([this, s = std::move(socket)]() mutable { serve(std::move(s)); }).detach();
    }
}

void Server::serve(tcp::socket socket)
{
    boost::beast::flat_buffer buffer;
    Connection connection(socket);
    while (!connection.isClosed()) {
        http::request_parser<http::string_body> parser;
        parser.body_limit(std::uint64_t(64) * 1024 * 1024);
        boost::system::error_code ec;
        http::read(socket, buffer, parser, ec);
        if (ec)
            break;
        Request &request = parser.get();
        std::string line
            = std::string(request.method_string()) + " " + std::string(request.target());
        // As a proxy (a Windows test prefix names it for the maker's public hosts), the request
        // names the whole address: the routes see its path.
        if (const std::string target(request.target()); target.rfind("http://", 0) == 0) {
            const auto path = target.find('/', 7);
            request.target(path == std::string::npos ? "/" : target.substr(path));
        }
        const auto range = request.find(http::field::range);
        if (range != request.end())
            line += " Range: " + std::string(range->value());
        const auto ifRange = request.find(http::field::if_range);
        if (ifRange != request.end())
            line += " If-Range: " + std::string(ifRange->value());
        const auto encoding = request.find(http::field::accept_encoding);
        if (encoding != request.end())
            line += " Accept-Encoding: " + std::string(encoding->value());
        log(line);

        if (const Handler *handler = m_router.match(request)) {
            (*handler)(request, connection);
        } else {
            Response response = makeResponse(request,
                                             http::status::not_found,
                                             "text/html",
                                             "<html><body><h1>404 Not Found</h1></body></html>");
            connection.send(response);
        }
        if (!request.keep_alive())
            break;
    }
    boost::system::error_code ignored;
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

void Server::log(const std::string &line)
{
    if (m_quiet)
        return;
    std::lock_guard<std::mutex> lock(m_logMutex);
    std::cerr << "kovara-maker-server: " << line << std::endl;
}

Response makeResponse(const Request &request,
                      http::status status,
                      const std::string &contentType,
                      std::string body)
{
    Response response {status, request.version()};
    response.set(http::field::server, "kovara-maker-server");
    response.set(http::field::content_type, contentType);
    response.keep_alive(request.keep_alive());
    response.body() = request.method() == http::verb::head ? std::string() : std::move(body);
    response.prepare_payload();
    return response;
}

} // namespace maker
