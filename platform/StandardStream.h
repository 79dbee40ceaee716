#pragma once

// The program's standard output or error stream as a write-only device that takes UTF-8. On a
// Windows console the text goes through WriteConsoleW, so every letter shows whatever the
// console's code page; to a file or a pipe, and on Linux, the bytes go as they are, so what a
// script reads (--json) is UTF-8 everywhere. The cursor movements that redraw lines in place,
// ESC [ n A (up n lines) and ESC [ n B (down), reach a terminal as they are; on a Windows console,
// which would print them, they move the cursor through the console's own calls.

#include <QIODevice>

#include <memory>

namespace platform {

class StandardStream final : public QIODevice
{
    Q_OBJECT
public:
    enum class Which { Output, Error };

    // Opened for writing, unbuffered: each write reaches the stream at once.
    explicit StandardStream(Which which, QObject *parent = nullptr);
    ~StandardStream() override;

    // The stream is a terminal or console window that a person reads (a bar can be redrawn).
    bool isTerminal() const;
    bool isSequential() const override { return true; }

    // The windowed Windows program has no console of its own: this attaches the streams its
    // parent did not redirect to the console of the program that started it, when there is one.
    // True when the error stream then goes somewhere; false on Linux, where nothing is needed.
    static bool attachToParentConsole();

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
