// The maker's two questions and the banner over real HTTP, against the maker server tool on a port
// of the test's own: the program's requests to the dev build's fixed maker address are sent there
// instead.

#include "MakerPort.h"
#include "TestPlatform.h"

#include "app/frmWelcome.h"
#include "platform/BuildConfig.h"
#include "platform/HttpRequest.h"
#include "platform/HttpTransfer.h"
#include "platform/Services.h"
#include "query/CheckWindows.h"
#include "query/frmVersion.h"

#include <gtest/gtest.h>

namespace {

// Real requests and transfers whose addresses on the built-in maker host go to `to` instead.
class Redirect final : public platform::HttpRequestFactory
{
public:
    explicit Redirect(const QString &to)
        : m_to(to)
    {
        platform::install(static_cast<platform::HttpRequestFactory *>(this));
        platform::install(&m_transfers);
    }
    ~Redirect() override
    {
        platform::install(static_cast<platform::HttpRequestFactory *>(nullptr));
        platform::install(static_cast<platform::HttpTransferFactory *>(nullptr));
    }

    QString redirected(QString url) const
    {
        return url.replace(QString::fromUtf8(build_config::kMakerWebUrl), m_to)
            .replace(QString::fromUtf8(build_config::kMakerDownloadUrl), m_to);
    }

    std::unique_ptr<platform::HttpRequest> create() override
    {
        return std::make_unique<Request>(*this);
    }

private:
    class Request final : public platform::HttpRequest
    {
    public:
        explicit Request(const Redirect &redirect)
            : m_redirect(redirect)
        { }
        void open(const QByteArray &method, const QString &url) override
        {
            m_real.open(method, m_redirect.redirected(url));
        }
        void setRequestHeader(const QByteArray &name, const QByteArray &value) override
        {
            m_real.setRequestHeader(name, value);
        }
        void send(const QByteArray &body) override { m_real.send(body); }
        QByteArray responseText() const override { return m_real.responseText(); }

    private:
        const Redirect &m_redirect;
        platform::QtHttpRequest m_real {5000};
    };

    class Transfer final : public platform::HttpTransfer
    {
    public:
        explicit Transfer(const Redirect &redirect)
            : m_redirect(redirect)
        { }
        void setCredentials(const QString &user, const QString &password) override
        {
            m_real.setCredentials(user, password);
        }
        void Execute(const QString &url, const QString &method, const QString &header) override
        {
            m_real.Execute(m_redirect.redirected(url), method, header);
        }
        bool StillExecuting() override { return m_real.StillExecuting(); }
        QString headerText() const override { return m_real.headerText(); }
        QString GetHeader(const QString &name) const override { return m_real.GetHeader(name); }
        QString RemoteHost() const override { return m_real.RemoteHost(); }
        QByteArray GetChunk(int maxSize) override { return m_real.GetChunk(maxSize); }
        void Cancel() override { m_real.Cancel(); }
        Failure failure() const override { return m_real.failure(); }
        QString failureText() const override { return m_real.failureText(); }

    private:
        const Redirect &m_redirect;
        platform::QtHttpTransfer m_real {5000, 5000};
    };

    class Transfers final : public platform::HttpTransferFactory
    {
    public:
        explicit Transfers(const Redirect &redirect)
            : m_redirect(redirect)
        { }
        std::unique_ptr<platform::HttpTransfer> create() override
        {
            return std::make_unique<Transfer>(m_redirect);
        }

    private:
        const Redirect &m_redirect;
    };

    QString m_to;
    Transfers m_transfers {*this};
};

class RealMakerServer : public ::testing::Test
{
protected:
    // Real waiting: the transfer's time-outs run on the platform clock.
    RealMakerServer() { platform::install(static_cast<platform::Clock *>(nullptr)); }

    testing_support::TestPlatform test;
    frmWelcome &welcome = Forms::frmWelcome();
};

TEST_F(RealMakerServer, BannerAndNewVersionComeOverHttp)
{
    testing_support::MakerServerProcess server(0, {"--quiet", "--version", "5.1", "--update", "Y"});
    ASSERT_FALSE(server.url().isEmpty());
    Redirect redirect(server.url());

    welcome.Load();
    EXPECT_EQ(welcome.ImgBanner->pixmap().size(), QSize(320, 60)) << "the sample banner";
    EXPECT_TRUE(welcome.Timer2->isRunning());
    CheckNewVersion();
    EXPECT_TRUE(Forms::frmVersion().isVisible());
    EXPECT_EQ(Forms::frmVersion().lblLatest->text(), QStringLiteral("Version 5.1"));
    EXPECT_TRUE(test.dialogs.boxes().empty()) << test.dialogs.texts().join(" | ").toStdString();
}

TEST_F(RealMakerServer, ADeadServerIsToldAndNothingHangs)
{
    QString url;
    {
        testing_support::MakerServerProcess server(0, {"--quiet"});
        url = server.url();
    }
    ASSERT_FALSE(url.isEmpty());
    Redirect redirect(url);
    for (int i = 0; i < 3; ++i)
        test.dialogs.answer(platform::mb::OK);
    test.dialogs.answer(platform::mb::Cancel);

    welcome.Load();
    CheckNewVersion();
    const QStringList texts = test.dialogs.texts();
    ASSERT_EQ(texts.size(), 4) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Error: "))) << texts[0].toStdString();
    EXPECT_EQ(texts[1], QStringLiteral("Unable to check software update."));
    EXPECT_TRUE(texts[2].startsWith(QStringLiteral("Error: ")));
    EXPECT_EQ(
        texts[3],
        QStringLiteral("An error occurred while trying to check latest version of PC Program."));
    EXPECT_FALSE(Forms::frmVersion().isVisible());
}

} // namespace
