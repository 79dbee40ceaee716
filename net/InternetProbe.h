#pragma once

// The start-up internet check: can a page of a public web site be opened over HTTP?

#include <QString>

#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace net {

class InternetProbe
{
public:
    using Done = std::function<void(bool reachable)>;
    virtual ~InternetProbe() = default;
    // Starts the check; done runs once, with whether the probe address answered, within the
    // time-out (from the event loop, or before start() returns).
    virtual void start(Done done) = 0;
};

// The real probe: an HTTP GET of the probe address that bypasses every cache, with the
// application's title as agent name. Any HTTP answer from the server counts as reachable; no
// answer within timeoutMs counts as unreachable.
class HttpInternetProbe final : public InternetProbe
{
public:
    explicit HttpInternetProbe(QString url, int timeoutMs = 15000);
    ~HttpInternetProbe() override;
    void start(Done done) override;

private:
    QString m_url;
    int m_timeoutMs;
    std::unique_ptr<QNetworkAccessManager> m_manager;
};

} // namespace net
