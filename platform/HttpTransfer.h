#pragma once

// The HTTP transfer control of a window (its Inet1): one GET at a time, whose status line and
// headers, body chunks and end the window's code reads while user-interface events keep running.
//
// A window makes its transfer with platform::newHttpTransfer() and keeps it. The real transfer is
// QtHttpTransfer on QNetworkAccessManager; a test installs an HttpTransferFactory to hand out
// doubles, or a factory of real transfers with short time-outs. Every wait inside a transfer goes
// through platform::clock().waitForEvents(), so a virtual clock drives the time-outs of a double.

#include <QByteArray>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace platform {

class HttpTransfer
{
public:
    // Failures of a transfer that are not HTTP answers.
    enum Failure : int {
        NoFailure = 0,
        ConnectFailed = 1, // refused, unknown host, reset before any answer
        TimedOut = 2,      // no answer or no body bytes within the time-out
        BodyBroken = 3,    // the body ended early (connection closed or reset)
        Cancelled = 4,
    };

    virtual ~HttpTransfer() = default;

    // Credentials given to a server that asks for them (empty: none).
    virtual void setCredentials(const QString &userName, const QString &password) = 0;
    // Starts a request. headerText holds extra header lines, each ended by CR LF. A request
    // already running is cancelled first.
    virtual void Execute(const QString &url, const QString &method, const QString &headerText) = 0;
    // True until the status line and headers are in, or the request failed.
    virtual bool StillExecuting() = 0;
    // The status line and the header lines, each ended by CR LF, then an empty line; empty when
    // no answer came.
    virtual QString headerText() const = 0;
    // The value of one response header ("" when absent).
    virtual QString GetHeader(const QString &name) const = 0;
    // The host the request went to.
    virtual QString RemoteHost() const = 0;
    // The next part of the body, at most maxSize bytes, waiting for it when none is buffered.
    // Empty once the body is exhausted, or when it broke off (see failure()).
    virtual QByteArray GetChunk(int maxSize) = 0;
    // Stops whatever the transfer is doing.
    virtual void Cancel() = 0;
    // How the last request ended so far, and a text for the log.
    virtual Failure failure() const = 0;
    virtual QString failureText() const = 0;

    // Fetches a whole body (the banner). ok is false when no complete body came.
    QByteArray OpenURL(const QString &url, bool *ok = nullptr);
};

// The real transfer. Sends "Accept-Encoding: identity" so that lengths and ranges count the
// file's own bytes, follows redirects that stay as safe, and keeps at most a bounded amount of
// the body in memory (the server is read only as fast as the body is taken).
class QtHttpTransfer final : public HttpTransfer
{
public:
    static constexpr int kDefaultConnectTimeoutMs = 30000;
    static constexpr int kDefaultReadTimeoutMs = 30000;
    // The most body bytes held in memory. Qt 6.4 stalls a reply for seconds at a time when its
    // read buffer runs full, which small buffers make frequent on a fast line; this size keeps
    // memory bounded and the stalls away.
    static constexpr qint64 kReadBufferBytes = qint64(16) * 1024 * 1024;

    explicit QtHttpTransfer(int connectTimeoutMs = kDefaultConnectTimeoutMs,
                            int readTimeoutMs = kDefaultReadTimeoutMs);
    ~QtHttpTransfer() override;

    void setCredentials(const QString &userName, const QString &password) override;
    void Execute(const QString &url, const QString &method, const QString &headerText) override;
    bool StillExecuting() override;
    QString headerText() const override { return m_headerText; }
    QString GetHeader(const QString &name) const override;
    QString RemoteHost() const override { return m_host; }
    QByteArray GetChunk(int maxSize) override;
    void Cancel() override;
    Failure failure() const override { return m_failure; }
    QString failureText() const override { return m_failureText; }

private:
    void takeHeaders();
    void finished();
    void fail(Failure failure, const QString &text);
    void dropReply();

    int m_connectTimeoutMs;
    int m_readTimeoutMs;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    QPointer<QNetworkReply> m_reply;
    QString m_userName;
    QString m_password;
    QString m_headerText;
    QString m_host;
    bool m_headersIn = false;
    bool m_finished = false;
    bool m_gaveCredentials = false;
    qint64 m_startMs = 0;
    qint64 m_lastActivityMs = 0;
    Failure m_failure = NoFailure;
    QString m_failureText;
};

// Makes the transfers that windows own.
class HttpTransferFactory
{
public:
    virtual ~HttpTransferFactory() = default;
    virtual std::unique_ptr<HttpTransfer> create() = 0;
};

// A transfer from the installed factory (a QtHttpTransfer when none is installed).
std::unique_ptr<HttpTransfer> newHttpTransfer();
// Installs a factory (nullptr: the real transfers again). The caller keeps ownership.
void install(HttpTransferFactory *factory);

} // namespace platform
