#pragma once

// The start-up internet check: can a page of a public web site be opened over HTTP?

#include <QString>

namespace platform {

class InternetProbe
{
public:
    virtual ~InternetProbe() = default;
    // True when the probe address answered. Blocks user input while it runs; always returns
    // within its time-out.
    virtual bool check() = 0;
};

// The real probe: an HTTP GET of the probe address that bypasses every cache, with the
// application's title as agent name. Any HTTP answer from the server counts as reachable; no
// answer within timeoutMs counts as unreachable.
class HttpInternetProbe final : public InternetProbe
{
public:
    explicit HttpInternetProbe(QString url, int timeoutMs = 15000);
    bool check() override;

private:
    QString m_url;
    int m_timeoutMs;
};

// The one the program uses, and its replacement by a test (nullptr: the real one again; the
// caller keeps ownership). Defined with the others in Services.cpp.
InternetProbe &internetProbe();
void install(InternetProbe *probe);

} // namespace platform
