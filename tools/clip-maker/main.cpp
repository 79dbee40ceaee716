// kovara-clip-maker: draws the pictures the program ships with, at build time.
//   kovara-clip-maker clip OUT.avi     the download window's clip: a page flying from the
//                                      maker's server to a computer, as a looping AVI
//   kovara-clip-maker banner OUT.jpg   a sample update banner for the maker server tool

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const QColor kBackground(154, 222, 248);
constexpr int kClipWidth = 300;
constexpr int kClipHeight = 40;
constexpr int kFrames = 16;
constexpr int kFrameMs = 90;

void drawServer(QPainter &p)
{
    p.setPen(QPen(QColor(30, 60, 110), 1.5));
    p.setBrush(QColor(70, 120, 200));
    p.drawEllipse(QRectF(8, 6, 28, 28));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(200, 230, 255), 1));
    p.drawEllipse(QRectF(16, 6, 12, 28));
    p.drawLine(QPointF(8, 20), QPointF(36, 20));
    p.drawLine(QPointF(11, 13), QPointF(33, 13));
    p.drawLine(QPointF(11, 27), QPointF(33, 27));
}

void drawComputer(QPainter &p)
{
    p.setPen(QPen(QColor(40, 40, 50), 1.5));
    p.setBrush(QColor(90, 90, 100));
    p.drawRoundedRect(QRectF(252, 5, 40, 26), 2, 2);
    p.setBrush(QColor(220, 245, 255));
    p.drawRect(QRectF(256, 9, 32, 18));
    p.setBrush(QColor(90, 90, 100));
    p.drawRect(QRectF(268, 31, 8, 3));
    p.drawRoundedRect(QRectF(260, 34, 24, 3), 1, 1);
}

void drawPage(QPainter &p, qreal x, qreal y)
{
    QPainterPath page;
    page.moveTo(x, y);
    page.lineTo(x + 10, y);
    page.lineTo(x + 15, y + 5);
    page.lineTo(x + 15, y + 19);
    page.lineTo(x, y + 19);
    page.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(x + 10, y), QPointF(x + 10, y + 5));
    p.drawLine(QPointF(x + 10, y + 5), QPointF(x + 15, y + 5));
    p.setPen(QPen(QColor(120, 120, 160), 1));
    for (int line = 0; line < 3; ++line)
        p.drawLine(QPointF(x + 3, y + 8 + line * 3.5), QPointF(x + 12, y + 8 + line * 3.5));
}

QImage clipFrame(int frame)
{
    QImage image(kClipWidth, kClipHeight, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The route of the page, as a dotted line.
    p.setPen(QPen(QColor(60, 110, 160), 1, Qt::DotLine));
    p.drawLine(QPointF(42, 20), QPointF(246, 20));
    drawServer(p);
    drawComputer(p);
    const qreal t = static_cast<qreal>(frame) / kFrames;
    const qreal x = 44 + t * (240 - 44 - 12);
    const qreal y = 10 - std::sin(t * M_PI) * 7;
    drawPage(p, x, y);
    return image;
}

void put32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void put16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

// A chunk: four-character id, little-endian size, the data, padded to an even size.
QByteArray chunk(const char *id, const QByteArray &data)
{
    QByteArray out(id, 4);
    put32(out, static_cast<quint32>(data.size()));
    out += data;
    if (data.size() & 1)
        out += '\0';
    return out;
}

QByteArray list(const char *type, const QByteArray &content)
{
    return chunk("LIST", QByteArray(type, 4) + content);
}

// Frames as JPEG pictures; uncompressed bottom-up BGR rows when JPEG cannot be written.
std::vector<QByteArray> encodeFrames(const std::vector<QImage> &images, bool &jpeg)
{
    std::vector<QByteArray> frames;
    jpeg = true;
    for (const QImage &image : images) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "JPEG", 90)) {
            jpeg = false;
            break;
        }
        frames.push_back(bytes);
    }
    if (jpeg)
        return frames;
    frames.clear();
    for (const QImage &image : images) {
        const int stride = ((image.width() * 24 + 31) / 32) * 4;
        QByteArray bytes(qsizetype(stride) * image.height(), '\0');
        for (int y = 0; y < image.height(); ++y) {
            auto *row = reinterpret_cast<uchar *>(bytes.data())
                + qsizetype(image.height() - 1 - y) * stride;
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                uchar *bgr = row + qsizetype(x) * 3;
                bgr[0] = static_cast<uchar>(qBlue(pixel));
                bgr[1] = static_cast<uchar>(qGreen(pixel));
                bgr[2] = static_cast<uchar>(qRed(pixel));
            }
        }
        frames.push_back(bytes);
    }
    return frames;
}

bool writeClip(const QString &path)
{
    std::vector<QImage> images;
    images.reserve(kFrames);
    for (int i = 0; i < kFrames; ++i)
        images.push_back(clipFrame(i));
    bool jpeg = true;
    const std::vector<QByteArray> frames = encodeFrames(images, jpeg);
    quint32 largest = 0;
    for (const QByteArray &frame : frames)
        largest = std::max(largest, static_cast<quint32>(frame.size()));

    QByteArray avih;
    put32(avih, kFrameMs * 1000); // microseconds per frame
    put32(avih, 0);
    put32(avih, 0);
    put32(avih, 0x10); // has an index
    put32(avih, kFrames);
    put32(avih, 0);
    put32(avih, 1);
    put32(avih, largest);
    put32(avih, kClipWidth);
    put32(avih, kClipHeight);
    for (int i = 0; i < 4; ++i)
        put32(avih, 0);

    QByteArray strh("vids", 4);
    strh += jpeg ? QByteArray("MJPG", 4) : QByteArray("DIB ", 4);
    put32(strh, 0);
    put32(strh, 0);
    put32(strh, 0);
    put32(strh, kFrameMs);
    put32(strh, 1000); // rate / scale = frames per second
    put32(strh, 0);
    put32(strh, kFrames);
    put32(strh, largest);
    put32(strh, 0xFFFFFFFF);
    put32(strh, 0);
    put16(strh, 0);
    put16(strh, 0);
    put16(strh, kClipWidth);
    put16(strh, kClipHeight);

    QByteArray strf;
    put32(strf, 40);
    put32(strf, kClipWidth);
    put32(strf, kClipHeight);
    put16(strf, 1);
    put16(strf, 24);
    strf += jpeg ? QByteArray("MJPG", 4) : QByteArray(4, '\0');
    put32(strf, kClipWidth * kClipHeight * 3);
    for (int i = 0; i < 4; ++i)
        put32(strf, 0);

    const QByteArray header = list(
        "hdrl", chunk("avih", avih) + list("strl", chunk("strh", strh) + chunk("strf", strf)));
    QByteArray movi("movi", 4);
    QByteArray index;
    for (const QByteArray &frame : frames) {
        index += QByteArray("00dc", 4);
        put32(index, 0x10); // key frame
        put32(index, static_cast<quint32>(movi.size()));
        put32(index, static_cast<quint32>(frame.size()));
        movi += chunk("00dc", frame);
    }
    const QByteArray riff = chunk(
        "RIFF", QByteArray("AVI ", 4) + header + chunk("LIST", movi) + chunk("idx1", index));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(riff) != riff.size())
        return false;
    return file.flush();
}

bool writeBanner(const QString &path)
{
    QImage image(320, 60, QImage::Format_RGB32);
    image.fill(QColor(255, 214, 0));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(180, 30, 30), 3));
    p.drawRect(QRectF(1.5, 1.5, 317, 57));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(150, 20, 20));
    p.drawText(QRect(0, 4, 320, 30), Qt::AlignCenter, QStringLiteral("New postage rates!"));
    font.setPixelSize(13);
    font.setBold(false);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 32, 320, 22), Qt::AlignCenter, QStringLiteral("Update your scale today"));
    p.end();
    return image.save(path, "JPEG", 85);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: kovara-clip-maker clip OUT.avi | banner OUT.jpg\n");
        return 2;
    }
    const QString what = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    bool ok = false;
    if (what == QLatin1String("clip"))
        ok = writeClip(out);
    else if (what == QLatin1String("banner"))
        ok = writeBanner(out);
    if (!ok) {
        std::fprintf(stderr, "kovara-clip-maker: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
