#pragma once

// The clip player: plays a short silent AVI clip in a loop, like the clip of a file flying
// to the computer in the download window. Clips hold one video stream of Motion-JPEG frames or of
// uncompressed 24- or 32-bit frames. A clip that is missing or cannot be read leaves the control
// empty (only its background shows); nothing is reported to the user.
//
// AviClip reads a clip file into pictures and is usable on its own (tests, tools).

#include <QColor>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <vector>

struct AviClip
{
    std::vector<QImage> frames;
    int frameIntervalMs = 100;
    QString error; // why the clip could not be read; empty when it could

    bool isValid() const { return !frames.empty(); }
    // Reads a clip; a clip larger than maxBytes is refused.
    static AviClip read(const QString &path, qint64 maxBytes = qint64(32) * 1024 * 1024);
};

class ClipPlayer final : public QWidget
{
    Q_OBJECT
public:
    explicit ClipPlayer(QWidget *parent = nullptr);

    // Loads a clip and shows its first frame; false (and an empty control) when it cannot.
    bool open(const QString &path);
    // Plays the clip in a loop from the current frame.
    void play();
    // Stops at the current frame.
    void stop();
    // Stops and empties the control.
    void clear();

    bool isOpen() const { return !m_clip.frames.empty(); }
    // The player's state, as QMovie::state() tells it.
    bool isPlaying() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void nextFrame();

    AviClip m_clip;
    int m_frame = 0;
    QTimer m_timer;
};
