#pragma once

// The HTTP request object the query protocol POSTs its statements with: open, one request header,
// a synchronous send of a text body, and the reply text. Any HTTP answer counts, whatever its
// status: an error page's body is the reply text. A failure to get an answer at all (no network,
// a refused connection, no answer within the time-out) is raised as HttpError.
//
// Each query makes a new request through createHttpRequest(). Tests install a factory of their
// own with install(HttpRequestFactory *) (nullptr restores the real one); the caller keeps
// ownership of what it installs.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>
#include <stdexcept>

namespace platform {

// A request that got no answer: the platform's error number and its description.
class HttpError : public std::runtime_error
{
public:
    HttpError(int number, const QString &description);
    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

class HttpRequest
{
public:
    virtual ~HttpRequest() = default;
    // Prepares a request; only synchronous requests exist. Throws HttpError for an address that
    // is not http:// or https://.
    virtual void open(const QByteArray &method, const QString &url) = 0;
    virtual void setRequestHeader(const QByteArray &name, const QByteArray &value) = 0;
    // Sends the body and returns once the whole reply is in. Throws HttpError.
    virtual void send(const QByteArray &body) = 0;
    // The body of the reply, byte for byte.
    virtual QByteArray responseText() const = 0;
};

class HttpRequestFactory
{
public:
    virtual ~HttpRequestFactory() = default;
    virtual std::unique_ptr<HttpRequest> create() = 0;
};

// A new request from the installed factory.
std::unique_ptr<HttpRequest> createHttpRequest();
void install(HttpRequestFactory *factory);
// The factory installed now (nullptr: the real one), for a double that puts it back.
HttpRequestFactory *installedHttpRequestFactory();

// The real request on QNetworkAccessManager.
//
// send() blocks the program's logic: the exchange runs on a thread of its own while this thread
// waits in a local event loop that runs neither user input nor timers nor socket notifiers
// (QEventLoop::ExcludeUserInputEvents | ExcludeSocketNotifiers | X11ExcludeTimers). The window
// still repaints (expose and update requests are not excluded), but no click, key, program timer
// or serial-port read can run the program's handlers in the middle of a query, which the callers
// rely on as they would on a blocking call. The network cannot run on this thread for the same
// reason: its sockets and timers would be excluded with the rest.
class QtHttpRequest final : public HttpRequest
{
public:
    // timeoutMs bounds the whole exchange, from connecting to the last byte of the reply.
    explicit QtHttpRequest(int timeoutMs = kDefaultTimeoutMs);

    void open(const QByteArray &method, const QString &url) override;
    void setRequestHeader(const QByteArray &name, const QByteArray &value) override;
    void send(const QByteArray &body) override;
    QByteArray responseText() const override { return m_response; }

    static constexpr int kDefaultTimeoutMs = 30000;

private:
    int m_timeoutMs;
    QByteArray m_method;
    QString m_url;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    QByteArray m_response;
};

class QtHttpRequestFactory final : public HttpRequestFactory
{
public:
    std::unique_ptr<HttpRequest> create() override;
};

} // namespace platform
