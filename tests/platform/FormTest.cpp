// The window model: loading on first use, state that outlives the widgets, cancellable closes,
// modal windows, and the timer control.

#include "TestPlatform.h"

#include "platform/Form.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

using platform::Control;
using platform::Form;
using platform::FormRegistry;
using testing_support::processEvents;
using testing_support::TestPlatform;

namespace {

class frmSample final : public Form
{
public:
    frmSample()
        : Form(QStringLiteral("frmSample"))
    { }

    // State: survives closes.
    int Counter = 0;
    bool AskExit = false;
    int loads = 0;
    int unloads = 0;
    int activations = 0;
    std::function<void(bool &)> onUnload;

    Control<QLabel> lblText {this, "lblText"};
    Control<QPushButton> cmdOk {this, "cmdOk"};

protected:
    void build(QWidget *window) override
    {
        window->setWindowTitle(QStringLiteral("Sample"));
        lblText.set(new QLabel(QStringLiteral("design time"), window));
        cmdOk.set(new QPushButton(QStringLiteral("&OK"), window));
    }
    void Form_Load() override
    {
        ++loads;
        AskExit = true;
    }
    void Form_Activate() override { ++activations; }
    void Form_Unload(bool &Cancel) override
    {
        ++unloads;
        if (onUnload)
            onUnload(Cancel);
    }
};

class frmOther final : public Form
{
public:
    frmOther()
        : Form(QStringLiteral("frmOther"))
    { }
    Control<QPushButton> cmdClose {this, "cmdClose"};

protected:
    void build(QWidget *window) override
    {
        cmdClose.set(new QPushButton(QStringLiteral("&Close"), window));
        QObject::connect(cmdClose.peek(), &QPushButton::clicked, this, [this] { Close(); });
    }
};

frmSample &sample()
{
    return FormRegistry::get<frmSample>();
}

TEST(FormModel, MadeOnceAndLoadedOncePerLoadByUsingAControl)
{
    TestPlatform platform;
    EXPECT_EQ(&sample(), &sample());
    EXPECT_FALSE(sample().isLoaded()) << "making a window must not load it";
    EXPECT_EQ(FormRegistry::all().size(), 1u);
    EXPECT_EQ(sample().lblText->text(), QStringLiteral("design time"));
    EXPECT_TRUE(sample().isLoaded());
    EXPECT_FALSE(sample().isVisible()) << "a control's use loads the window hidden";
    sample().cmdOk->setText(QStringLiteral("x"));
    sample().Show();
    EXPECT_EQ(sample().loads, 1);
    EXPECT_EQ(sample().loadCount(), 1);
}

TEST(FormModel, StateSurvivesCloseAndReloadStartsFromDesignTime)
{
    TestPlatform platform;
    sample().Show();
    sample().Counter = 7;
    sample().lblText->setText(QStringLiteral("changed"));
    sample().setCaption(QStringLiteral("Changed caption"));
    sample().setMousePointer(platform::vbHourglass);
    sample().AskExit = false;
    ASSERT_TRUE(sample().Close());
    EXPECT_FALSE(sample().isLoaded());
    EXPECT_EQ(sample().lblText.peek(), nullptr) << "controls go with the window";
    processEvents();

    EXPECT_EQ(sample().Counter, 7) << "state variables live as long as the program";
    sample().Show();
    EXPECT_EQ(sample().loads, 2);
    EXPECT_EQ(sample().lblText->text(), QStringLiteral("design time"));
    EXPECT_EQ(sample().Caption(), QStringLiteral("Sample"));
    EXPECT_EQ(sample().MousePointer(), platform::vbDefault);
}

TEST(FormModel, CancelledCloseKeepsTheWindowForProgramAndUser)
{
    TestPlatform platform;
    sample().onUnload = [](bool &cancel) {
        cancel = true;
    };
    sample().Show();
    EXPECT_FALSE(sample().Close());
    EXPECT_TRUE(sample().isVisible());

    // The close box goes through the same handler.
    EXPECT_FALSE(sample().window()->close());
    EXPECT_TRUE(sample().isVisible());
    EXPECT_EQ(sample().unloads, 2);

    sample().onUnload = nullptr;
    EXPECT_TRUE(sample().window()->close());
    EXPECT_FALSE(sample().isLoaded());
    EXPECT_EQ(sample().unloads, 3);
}

TEST(FormModel, ActivationRunsTheHandlerOfALoadedWindow)
{
    TestPlatform platform;
    sample().Show();
    sample().window()->activateWindow();
    processEvents();
    QEvent change(QEvent::ActivationChange);
    // Whatever the platform did on its own, an activation event of the active window counts.
    const int before = sample().activations;
    if (sample().window()->isActiveWindow()) {
        QCoreApplication::sendEvent(sample().window(), &change);
        EXPECT_EQ(sample().activations, before + 1);
    }
}

} // namespace
