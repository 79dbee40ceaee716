#pragma once

// A double of the HTTP request object for query tests. While it lives it is the installed request
// factory: every request sent is recorded (method, address, headers, body) and answered from a
// queue, with a reply body or with an HttpError. A request with nothing queued fails the test and
// raises an error. A responder, when set, answers instead of the queue (to reply to what was
// asked, or to act while the request "blocks"). On destruction the factory installed before it
// (TestPlatform's maker double, say) is installed again.

#include "platform/HttpRequest.h"

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace testing_support {

class ScriptedHttp final : public platform::HttpRequestFactory
{
public:
    struct Sent
    {
        QByteArray method;
        QString url;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
    };
    using Responder = std::function<QByteArray(const Sent &)>;

    ScriptedHttp();
    ~ScriptedHttp() override;
    ScriptedHttp(const ScriptedHttp &) = delete;
    ScriptedHttp &operator=(const ScriptedHttp &) = delete;

    // The next request gets this reply body.
    void reply(const QByteArray &body) { m_answers.push_back(Answer {body, 0, QString()}); }
    // The next request raises HttpError(number, description).
    void fail(int number, const QString &description)
    {
        m_answers.push_back(Answer {std::nullopt, number, description});
    }
    void respond(Responder responder) { m_responder = std::move(responder); }

    const std::vector<Sent> &sent() const { return m_sent; }
    bool allAnswersUsed() const { return m_answers.empty(); }

    std::unique_ptr<platform::HttpRequest> create() override;

private:
    class Request;
    struct Answer
    {
        std::optional<QByteArray> body;
        int number;
        QString description;
    };

    std::deque<Answer> m_answers;
    std::vector<Sent> m_sent;
    Responder m_responder;
    platform::HttpRequestFactory *m_previous;
};

} // namespace testing_support
