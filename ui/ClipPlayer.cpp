#include "ui/ClipPlayer.h"

#include <QFile>
#include <QLoggingCategory>
#include <QPainter>
#include <QtEndian>

Q_LOGGING_CATEGORY(lcClip, "kovara.clip")

namespace {

quint32 u32(const QByteArray &data, qsizetype at)
{
    if (at < 0 || at + 4 > data.size())
        return 0;
    return qFromLittleEndian<quint32>(data.constData() + at);
}

quint16 u16(const QByteArray &data, qsizetype at)
{
    if (at < 0 || at + 2 > data.size())
        return 0;
    return qFromLittleEndian<quint16>(data.constData() + at);
}

QByteArray fourcc(const QByteArray &data, qsizetype at)
{
    return at >= 0 && at + 4 <= data.size() ? data.mid(at, 4) : QByteArray();
}

struct Format
{
    qint32 width = 0;
    qint32 height = 0;
    int bitCount = 0;
    QByteArray compression; // "MJPG", or empty for uncompressed frames
};

QImage decodeFrame(const QByteArray &bytes, const Format &format)
{
    if (!format.compression.isEmpty())
        return QImage::fromData(bytes, "JPEG");
    const int width = format.width;
    const int height = std::abs(format.height);
    const int bytesPerPixel = format.bitCount / 8;
    if (width <= 0 || height <= 0 || (bytesPerPixel != 3 && bytesPerPixel != 4))
        return QImage();
    const qsizetype stride = ((qsizetype(width) * format.bitCount + 31) / 32) * 4;
    if (bytes.size() < stride * height)
        return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        // Rows run from the bottom up unless the height is negative.
        const int row = format.height > 0 ? height - 1 - y : y;
        const auto *source
            = reinterpret_cast<const uchar *>(bytes.constData()) + qsizetype(row) * stride;
        auto *target = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uchar *p = source + qsizetype(x) * bytesPerPixel;
            target[x] = qRgb(p[2], p[1], p[0]);
        }
    }
    return image;
}

} // namespace

AviClip AviClip::read(const QString &path, qint64 maxBytes)
{
    AviClip clip;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        clip.error = file.errorString();
        return clip;
    }
    if (file.size() > maxBytes) {
        clip.error = QStringLiteral("clip too large");
        return clip;
    }
    const QByteArray data = file.readAll();
    if (fourcc(data, 0) != "RIFF" || fourcc(data, 8) != "AVI ") {
        clip.error = QStringLiteral("not an AVI file");
        return clip;
    }

    Format format;
    std::vector<QByteArray> chunks;
    // Walks the chunks and lists; the stream's header and format come before its frames.
    const auto walk = [&](auto &self, qsizetype begin, qsizetype end) -> void {
        qsizetype at = begin;
        while (at + 8 <= end) {
            const QByteArray id = fourcc(data, at);
            const qsizetype size = u32(data, at + 4);
            const qsizetype body = at + 8;
            if (size > end - body)
                return; // a cut-off file: keep what was read so far
            if (id == "LIST" || id == "RIFF") {
                self(self, body + 4, body + size);
            } else if (id == "avih" && size >= 40) {
                const quint32 micro = u32(data, body);
                if (micro > 0)
                    clip.frameIntervalMs = std::clamp(int(micro / 1000), 10, 5000);
            } else if (id == "strh" && size >= 8) {
                if (fourcc(data, body) == "vids") {
                    const QByteArray handler = fourcc(data, body + 4).toUpper();
                    if (handler == "MJPG")
                        format.compression = handler;
                }
            } else if (id == "strf" && size >= 20 && format.width == 0) {
                format.width = static_cast<qint32>(u32(data, body + 4));
                format.height = static_cast<qint32>(u32(data, body + 8));
                format.bitCount = u16(data, body + 14);
                const QByteArray compression = fourcc(data, body + 16);
                if (compression.toUpper() == "MJPG")
                    format.compression = "MJPG";
            } else if (id.size() == 4 && id.startsWith("00")
                       && (id.endsWith("dc") || id.endsWith("db"))) {
                chunks.push_back(data.mid(body, size));
            }
            at = body + size + (size & 1);
        }
    };
    walk(walk, 12, data.size());

    for (const QByteArray &chunk : chunks) {
        if (chunk.isEmpty() && !clip.frames.empty()) {
            clip.frames.push_back(clip.frames.back()); // an empty chunk repeats the frame
            continue;
        }
        QImage image = decodeFrame(chunk, format);
        if (!image.isNull())
            clip.frames.push_back(std::move(image));
        if (clip.frames.size() >= 2000)
            break;
    }
    if (clip.frames.empty())
        clip.error = QStringLiteral("no frame that can be shown");
    return clip;
}

ClipPlayer::ClipPlayer(QWidget *parent)
    : QWidget(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &ClipPlayer::nextFrame);
}

bool ClipPlayer::open(const QString &path)
{
    clear();
    m_clip = AviClip::read(path);
    if (!m_clip.isValid()) {
        qCWarning(lcClip).noquote() << "cannot play" << path << "-" << m_clip.error;
        m_clip = AviClip();
        update();
        return false;
    }
    m_timer.setInterval(m_clip.frameIntervalMs);
    update();
    return true;
}

void ClipPlayer::play()
{
    if (isOpen() && m_clip.frames.size() > 1)
        m_timer.start();
}

void ClipPlayer::stop()
{
    m_timer.stop();
}

void ClipPlayer::clear()
{
    m_timer.stop();
    m_clip = AviClip();
    m_frame = 0;
    update();
}

void ClipPlayer::nextFrame()
{
    if (m_clip.frames.empty())
        return;
    m_frame = (m_frame + 1) % static_cast<int>(m_clip.frames.size());
    update();
}

void ClipPlayer::paintEvent(QPaintEvent *)
{
    if (m_clip.frames.empty())
        return;
    QPainter painter(this);
    const QImage &image = m_clip.frames[static_cast<size_t>(m_frame)];
    // Centred in the control, as the clip control of the program's design shows it.
    painter.drawImage((width() - image.width()) / 2, (height() - image.height()) / 2, image);
}
