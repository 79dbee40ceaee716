#include "ScriptedHttp.h"

#include <gtest/gtest.h>

namespace testing_support {

class ScriptedHttp::Request final : public platform::HttpRequest
{
public:
    explicit Request(ScriptedHttp &owner)
        : m_owner(owner)
    { }

    void open(const QByteArray &method, const QString &url) override
    {
        m_sent = Sent {method, url, {}, {}};
    }
    void setRequestHeader(const QByteArray &name, const QByteArray &value) override
    {
        m_sent.headers.append({name, value});
    }
    void send(const QByteArray &body) override
    {
        m_sent.body = body;
        m_owner.m_sent.push_back(m_sent);
        if (m_owner.m_responder) {
            m_response = m_owner.m_responder(m_sent);
            return;
        }
        if (m_owner.m_answers.empty()) {
            ADD_FAILURE() << "unexpected HTTP request to " << m_sent.url.toStdString();
            throw platform::HttpError(99, QStringLiteral("no scripted answer"));
        }
        const Answer answer = m_owner.m_answers.front();
        m_owner.m_answers.pop_front();
        if (!answer.body)
            throw platform::HttpError(answer.number, answer.description);
        m_response = *answer.body;
    }
    QByteArray responseText() const override { return m_response; }

private:
    ScriptedHttp &m_owner;
    Sent m_sent;
    QByteArray m_response;
};

ScriptedHttp::ScriptedHttp()
    : m_previous(platform::installedHttpRequestFactory())
{
    platform::install(this);
}

ScriptedHttp::~ScriptedHttp()
{
    platform::install(m_previous);
}

std::unique_ptr<platform::HttpRequest> ScriptedHttp::create()
{
    return std::make_unique<Request>(*this);
}

} // namespace testing_support
