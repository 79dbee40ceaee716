#pragma once

// A double of the main window's transfer (its Inet1) for the banner: each request is recorded by
// address and answered with a status line and a whole body, or gets no answer at all, as from a
// dead server. Handed to the main window through the transfer factory while it is installed.

#include "platform/HttpTransfer.h"

#include <QStringList>

namespace testing_support {

class BannerServer final : public platform::HttpTransferFactory
{
public:
    BannerServer() { platform::install(this); }
    ~BannerServer() override
    {
        platform::install(static_cast<platform::HttpTransferFactory *>(nullptr));
    }
    BannerServer(const BannerServer &) = delete;
    BannerServer &operator=(const BannerServer &) = delete;

    // The answer to every request: "200 OK", "404 Not Found"...; empty: no answer at all.
    QString status = QStringLiteral("200 OK");
    QByteArray body;
    QStringList requested;

    std::unique_ptr<platform::HttpTransfer> create() override
    {
        return std::make_unique<Transfer>(*this);
    }

private:
    class Transfer final : public platform::HttpTransfer
    {
    public:
        explicit Transfer(BannerServer &server)
            : m_server(server)
        { }
        void setCredentials(const QString &, const QString &) override { }
        void Execute(const QString &url, const QString &, const QString &) override
        {
            m_server.requested << url;
            m_header = m_server.status.isEmpty()
                ? QString()
                : QStringLiteral("HTTP/1.1 ") + m_server.status + QStringLiteral("\r\n\r\n");
            m_body = m_server.status.isEmpty() ? QByteArray() : m_server.body;
        }
        bool StillExecuting() override { return false; }
        QString headerText() const override { return m_header; }
        QString GetHeader(const QString &) const override { return QString(); }
        QString RemoteHost() const override { return QStringLiteral("127.0.0.1"); }
        QByteArray GetChunk(int maxSize) override
        {
            const QByteArray chunk = m_body.left(maxSize);
            m_body.remove(0, chunk.size());
            return chunk;
        }
        void Cancel() override { }
        Failure failure() const override { return m_header.isEmpty() ? ConnectFailed : NoFailure; }
        QString failureText() const override
        {
            return m_header.isEmpty() ? QStringLiteral("Connection refused") : QString();
        }

    private:
        BannerServer &m_server;
        QString m_header;
        QByteArray m_body;
    };
};

} // namespace testing_support
