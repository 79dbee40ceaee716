#include "app/frmDownload.h"

#include "platform/Dialogs.h"
#include "platform/Look.h"

#include <QFontMetrics>
#include <QLoggingCategory>

#include <algorithm>
#include <climits>

namespace {

// The window's design is laid out in twips; 15 twips make a pixel on a 96-dpi screen.
constexpr int twips(int value)
{
    return value / 15;
}

QLabel *makeLabel(QWidget *window, const QString &text, int left, int top, int width, int height)
{
    auto *label = new QLabel(text, window);
    label->setGeometry(twips(left), twips(top), twips(width), twips(height));
    return label;
}

} // namespace

QString ShortenPath(const QWidget *control, const QString &text)
{
    if (!control)
        return text;
    const int limit = control->width();
    const QFontMetrics metrics(control->font());
    int width = metrics.horizontalAdvance(text);
    QString result = text;
    for (qsizetype n = text.size() / 2 - 2; width > limit && n > 3; --n) {
        result = text.left(n) + QStringLiteral("...") + text.right(n);
        width = metrics.horizontalAdvance(result);
    }
    return result;
}

frmDownload::frmDownload()
    : Form(QStringLiteral("frmDownload"))
{ }

frmDownload::~frmDownload() = default;

void frmDownload::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("frmDownload"));
    window->setFixedSize(twips(6795), twips(3975));

    auto *animation = new platform::Animation(window);
    animation->setGeometry(twips(1080), twips(0), twips(4695), twips(615));
    Animation1.set(animation);

    StatusLabel.set(makeLabel(window, QStringLiteral("StatusLabel"), 360, 915, 5475, 195));
    SourceLabel.set(makeLabel(window, QStringLiteral("SourceLabel"), 360, 1200, 5490, 195));

    auto *bar = new QProgressBar(window);
    bar->setGeometry(twips(360), twips(1485), twips(6075), twips(225));
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    ProgressBar.set(bar);

    EstimatedTimeLeft.set(
        makeLabel(window, QStringLiteral("Estimated time left:"), 240, 1800, 1695, 255));
    TimeLabel.set(makeLabel(window, QStringLiteral("TimeLabel"), 2040, 1800, 4605, 255));
    DownloadTo.set(makeLabel(window, QStringLiteral("Download to:"), 240, 2100, 1695, 255));
    ToLabel.set(makeLabel(window, QStringLiteral("ToLabel"), 2040, 2100, 4605, 195));
    TransferRate.set(makeLabel(window, QStringLiteral("Transfer rate:"), 240, 2400, 1815, 255));
    RateLabel.set(makeLabel(window, QStringLiteral("RateLabel"), 2040, 2400, 4605, 255));

    auto *check
        = new QCheckBox(QStringLiteral("Close this box when download is completed."), window);
    check->setGeometry(twips(1080), twips(2880), twips(4335), twips(255));
    chkClose.set(check);

    auto *cancel = new QPushButton(QStringLiteral("&Cancel"), window);
    cancel->setGeometry(twips(2640), twips(3360), twips(1215), twips(375));
    CancelButton.set(cancel);
    connect(cancel, &QPushButton::clicked, this, &frmDownload::CancelButton_Click);
}

void frmDownload::Form_Load()
{
    look::paint({window(),
                 CancelButton.get(),
                 StatusLabel.get(),
                 Animation1.get(),
                 RateLabel.get(),
                 SourceLabel.get(),
                 TimeLabel.get(),
                 ToLabel.get(),
                 TransferRate.get(),
                 DownloadTo.get(),
                 EstimatedTimeLeft.get(),
                 chkClose.get()});
    // Off the screen until DownloadFile centres it.
    window()->move(-window()->width(), -window()->height());
    setCaption(QStringLiteral("Downloading....."));
    AskAgain = true;
}

platform::HttpTransfer &frmDownload::Inet1()
{
    if (!m_inet)
        m_inet = platform::newHttpTransfer();
    return *m_inet;
}

bool frmDownload::DownloadFile(const QString &strURL,
                               const QString &strDestination,
                               const QString &UserName,
                               const QString &Password)
{
    if (m_running) {
        // The caller's window is disabled while a download runs; a second call is a fault.
        qWarning("frmDownload: a download is already running");
        return false;
    }
    m_running = true;
    Load();
    const bool result = download::DownloadFile(
        *this, Inet1(), CancelSearch, strURL, strDestination, UserName, Password);
    m_running = false;
    return result;
}

void frmDownload::CancelButton_Click()
{
    if (auto *clip = Animation1.peek())
        clip->Stop();
    const int answer
        = platform::MsgBox(QStringLiteral("Are you sure you want to cancel this operation?"),
                           platform::mb::YesNo | platform::mb::Question);
    if (answer != platform::mb::Yes) {
        if (auto *clip = Animation1.peek())
            clip->Play();
        return;
    }
    setStatusText(QStringLiteral("Cancelling..."));
    closeAnimation();
    CancelSearch = true;
    AskAgain = false;
    Close();
}

void frmDownload::Form_Unload(bool &Cancel)
{
    if (!AskAgain)
        return;
    const int answer
        = platform::MsgBox(QStringLiteral("Are you sure you want to cancel this operation?"),
                           platform::mb::YesNo | platform::mb::Question);
    if (answer != platform::mb::Yes) {
        Cancel = true;
        if (auto *clip = Animation1.peek())
            clip->Play();
        return;
    }
    setStatusText(QStringLiteral("Cancelling..."));
    setMousePointer(platform::vbDefault);
    closeAnimation();
    CancelSearch = true;
    AskAgain = false;
    Q_EMIT closedByUser();
}

// The download's display goes to the controls only while the window is loaded: after a
// confirmed cancel has closed it, the rest of the download is not shown (and does not load the
// window again).

void frmDownload::setStatusText(const QString &text)
{
    if (QLabel *label = StatusLabel.peek())
        label->setText(text);
}

void frmDownload::setSourceText(const QString &text)
{
    if (QLabel *label = SourceLabel.peek())
        label->setText(ShortenPath(label, text));
}

void frmDownload::setToText(const QString &text)
{
    if (QLabel *label = ToLabel.peek())
        label->setText(ShortenPath(label, text));
}

void frmDownload::setTimeText(const QString &text)
{
    if (QLabel *label = TimeLabel.peek())
        label->setText(text);
}

void frmDownload::setRateText(const QString &text)
{
    if (QLabel *label = RateLabel.peek())
        label->setText(text);
}

void frmDownload::setProgress(qint64 value, qint64 maximum)
{
    QProgressBar *bar = ProgressBar.peek();
    if (!bar)
        return;
    // The bar counts in int: large files are shown in steps of a power of two.
    int shift = 0;
    while ((maximum >> shift) > INT_MAX)
        ++shift;
    const int top = static_cast<int>(maximum >> shift);
    if (bar->maximum() != top || bar->minimum() != 0)
        bar->setRange(0, top);
    if (top > 0)
        bar->setValue(static_cast<int>(std::min(value, maximum) >> shift));
}

void frmDownload::setCaptionText(const QString &text)
{
    if (QWidget *w = windowIfLoaded())
        w->setWindowTitle(text);
}

void frmDownload::playAnimation(const QString &clipPath)
{
    if (platform::Animation *clip = Animation1.peek()) {
        clip->Open(clipPath);
        clip->Play();
    }
}

void frmDownload::closeAnimation()
{
    if (platform::Animation *clip = Animation1.peek())
        clip->Close();
}

void frmDownload::showCentred()
{
    if (!isLoaded())
        return;
    Show();
    centerOnScreen();
}

void frmDownload::closeWindow()
{
    AskAgain = false;
    Close();
}
