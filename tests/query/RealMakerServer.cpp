// The banner over real HTTP, against the maker server tool on a port of the test's own: the
// main window's transfers to the dev build's fixed maker address are sent there instead. The
// questions themselves over HTTP are in QueryServerTest; a dead server is checked by
// HttpRequestTest (the request raises) and ChecksTest (what the windows say).

#include "MakerPort.h"
#include "WizardPlatform.h"

#include "app/frmWelcome.h"
#include "platform/BuildConfig.h"
#include "platform/HttpTransfer.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

namespace {

// Real transfers whose addresses on the built-in maker host go to `to` instead.
class Redirect final : public platform::HttpTransferFactory
{
public:
    explicit Redirect(const QString &to)
        : m_to(to)
    {
        platform::install(this);
    }
    ~Redirect() override
    {
        platform::install(static_cast<platform::HttpTransferFactory *>(nullptr));
    }

    std::unique_ptr<platform::HttpTransfer> create() override
    {
        return std::make_unique<Transfer>(m_to);
    }

private:
    class Transfer final : public platform::HttpTransfer
    {
    public:
        explicit Transfer(const QString &to)
            : m_to(to)
        { }
        void setCredentials(const QString &user, const QString &password) override
        {
            m_real.setCredentials(user, password);
        }
        void Execute(const QString &url, const QString &method, const QString &header) override
        {
            QString redirected = url;
            redirected.replace(QString::fromUtf8(build_config::kMakerDownloadUrl), m_to);
            m_real.Execute(redirected, method, header);
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
        QString m_to;
        platform::QtHttpTransfer m_real {5000, 5000};
    };

    QString m_to;
};

TEST(RealMakerServer, TheBannerComesOverHttp)
{
    testing_support::WizardPlatform test;
    // Real waiting: the transfer's time-outs run on the platform clock.
    platform::install(static_cast<platform::Clock *>(nullptr));
    testing_support::MakerServerProcess server(0, {"--quiet"});
    ASSERT_FALSE(server.url().isEmpty());
    Redirect redirect(server.url());
    test.maker.setUpdate(QStringLiteral("Y"));

    frmWelcome &welcome = Forms::frmWelcome();
    welcome.Load();
    EXPECT_EQ(welcome.ImgBanner->pixmap().size(), QSize(320, 60)) << "the sample banner";
    EXPECT_TRUE(welcome.Timer2->isRunning());
    EXPECT_TRUE(test.dialogs.boxes().empty()) << test.dialogs.texts().join(" | ").toStdString();
}

} // namespace
