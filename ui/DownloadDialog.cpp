#include "ui/DownloadDialog.h"

#include "core/TransferText.h"
#include "ui/ClipPlayer.h"
#include "ui/Look.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The window's design is laid out in twips; 15 twips make a pixel on a 96-dpi screen.
constexpr int twips(int value)
{
    return value / 15;
}

QLabel *makeLabel(QWidget *window,
                  const char *name,
                  const QString &text,
                  int left,
                  int top,
                  int width,
                  int height)
{
    auto *label = new QLabel(text, window);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(twips(left), twips(top), twips(width), twips(height));
    return label;
}

} // namespace

QString shortenedToFit(const QWidget *control, const QString &text)
{
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

DownloadDialog::DownloadDialog(const QString &clipPath, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmDownload"));
    setWindowTitle(tr("Downloading....."));
    setFixedSize(twips(6795), twips(3975));

    m_clip = new ClipPlayer(this);
    m_clip->setObjectName(QStringLiteral("Animation1"));
    m_clip->setGeometry(twips(1080), twips(0), twips(4695), twips(615));

    // The lines start out empty; their names show only until the download fills them in.
    m_status = makeLabel(this, "StatusLabel", QString(), 360, 915, 5475, 195);
    m_source = makeLabel(this, "SourceLabel", QString(), 360, 1200, 5490, 195);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar"));
    m_bar->setGeometry(twips(360), twips(1485), twips(6075), twips(225));
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);

    QLabel *timeLeft
        = makeLabel(this, "EstimatedTimeLeft", tr("Estimated time left:"), 240, 1800, 1695, 255);
    m_time = makeLabel(this, "TimeLabel", QString(), 2040, 1800, 4605, 255);
    QLabel *downloadTo = makeLabel(this, "DownloadTo", tr("Download to:"), 240, 2100, 1695, 255);
    m_to = makeLabel(this, "ToLabel", QString(), 2040, 2100, 4605, 195);
    QLabel *transferRate
        = makeLabel(this, "TransferRate", tr("Transfer rate:"), 240, 2400, 1815, 255);
    m_rate = makeLabel(this, "RateLabel", QString(), 2040, 2400, 4605, 255);

    m_closeWhenDone = new QCheckBox(tr("Close this box when download is completed."), this);
    m_closeWhenDone->setObjectName(QStringLiteral("chkClose"));
    m_closeWhenDone->setGeometry(twips(1080), twips(2880), twips(4335), twips(255));

    m_cancel = new QPushButton(tr("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setGeometry(twips(2640), twips(3360), twips(1215), twips(375));
    connect(m_cancel, &QPushButton::clicked, this, &DownloadDialog::cancelRequested);

    look::paint({this,
                 m_cancel,
                 m_status,
                 m_clip,
                 m_rate,
                 m_source,
                 m_time,
                 m_to,
                 transferRate,
                 downloadTo,
                 timeLeft,
                 m_closeWhenDone});
    m_clip->open(clipPath);
    m_clip->play();
}

void DownloadDialog::setStatus(const QString &text)
{
    m_status->setText(text);
}

void DownloadDialog::setSource(const QString &text)
{
    m_source->setText(shortenedToFit(m_source, text));
}

void DownloadDialog::setDestination(const QString &path)
{
    m_fileName = QFileInfo(path).fileName();
    m_to->setText(shortenedToFit(m_to, QDir::toNativeSeparators(path)));
}

void DownloadDialog::showProgress(qint64 received,
                                  qint64 total,
                                  double bytesPerSecond,
                                  double secondsLeft)
{
    using core::fileSizeText;
    const bool known = total >= 0;
    const QString copied = fileSizeText(static_cast<double>(received));
    if (known) {
        m_time->setText(tr("%1 (%2 of %3 copied)")
                            .arg(core::durationText(secondsLeft),
                                 copied,
                                 fileSizeText(static_cast<double>(total))));
    } else {
        m_time->setText(tr("%1 copied").arg(copied));
    }
    m_rate->setText(tr("%1/Sec").arg(fileSizeText(bytesPerSecond, QStringLiteral("###.0"))));

    // The bar counts in int: large files are shown in steps of a power of two.
    const qint64 maximum = std::max<qint64>(total, 0);
    int shift = 0;
    while ((maximum >> shift) > INT_MAX)
        ++shift;
    const int top = static_cast<int>(maximum >> shift);
    if (m_bar->maximum() != top || m_bar->minimum() != 0)
        m_bar->setRange(0, top);
    if (top > 0)
        m_bar->setValue(static_cast<int>(std::min(received, maximum) >> shift));

    if (!known) {
        setWindowTitle(tr("%1 of %2 Completed").arg(copied, m_fileName));
        return;
    }
    const double ratio = total > 0 ? static_cast<double>(received) / static_cast<double>(total) : 0;
    const int percent = static_cast<int>(std::round(ratio * 100));
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    setWindowTitle(tr("%1 of %2 Completed")
                       .arg(core::maskedNumber(ratio, QStringLiteral("##0%")), m_fileName));
}

void DownloadDialog::pauseClip()
{
    m_clip->stop();
}

void DownloadDialog::playClip()
{
    m_clip->play();
}

void DownloadDialog::closeClip()
{
    m_clip->clear();
}

void DownloadDialog::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Q_EMIT closeRequested();
}

void DownloadDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Q_EMIT cancelRequested();
        return;
    }
    QWidget::keyPressEvent(event);
}
