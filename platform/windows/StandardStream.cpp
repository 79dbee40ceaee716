#include "platform/StandardStream.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <windows.h>

namespace platform {

struct StandardStream::Private
{
    DWORD which;
    // Keeps a letter whose UTF-8 bytes are split between two writes.
    QStringDecoder decoder {QStringDecoder::Utf8};
};

namespace {

HANDLE handleOf(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle && GetConsoleMode(handle, &mode);
}

bool writeConsole(HANDLE handle, QStringView text)
{
    qsizetype done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        if (!WriteConsoleW(handle,
                           reinterpret_cast<const wchar_t *>(text.utf16()) + done,
                           DWORD(text.size() - done),
                           &written,
                           nullptr)
            || written == 0)
            return false;
        done += written;
    }
    return true;
}

// The cursor rows lines down (up when negative), in its column, within the screen buffer.
void moveCursor(HANDLE handle, int rows)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(handle, &info))
        return;
    COORD to = info.dwCursorPosition;
    to.Y = SHORT(qBound(0, int(to.Y) + rows, int(info.dwSize.Y) - 1));
    SetConsoleCursorPosition(handle, to);
}

// Writes text to the console; the cursor movements in it that redraw a line in place, ESC [ n A
// (up n lines) and ESC [ n B (down), go through the console's own calls, as a console that
// takes no escape sequences would print them as they are. A movement is expected whole in one
// write.
bool writeToConsole(HANDLE handle, const QString &text)
{
    static const QRegularExpression movement(QStringLiteral("\x1b\\[(\\d+)([AB])"));
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = movement.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (!writeConsole(handle, QStringView(text).mid(from, match.capturedStart() - from)))
            return false;
        const int rows = match.captured(1).toInt();
        moveCursor(handle, match.captured(2) == QLatin1String("A") ? -rows : rows);
        from = match.capturedEnd();
    }
    return writeConsole(handle, QStringView(text).mid(from));
}

} // namespace

StandardStream::StandardStream(Which which, QObject *parent)
    : QIODevice(parent)
    , d(new Private {which == Which::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE})
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

StandardStream::~StandardStream() = default;

bool StandardStream::isTerminal() const
{
    return isConsole(handleOf(d->which));
}

bool StandardStream::attachToParentConsole()
{
    // A stream the parent redirected stays where it goes; the others write to its console.
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        const HANDLE console = CreateFileW(L"CONOUT$",
                                           GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr,
                                           OPEN_EXISTING,
                                           0,
                                           nullptr);
        for (const DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
            if (!handleOf(which) && console != INVALID_HANDLE_VALUE)
                SetStdHandle(which, console);
        }
    }
    return handleOf(STD_ERROR_HANDLE) != nullptr;
}

qint64 StandardStream::writeData(const char *data, qint64 size)
{
    const HANDLE handle = handleOf(d->which);
    if (!handle)
        return -1;
    if (isConsole(handle)) {
        if (!writeToConsole(handle, d->decoder.decode(QByteArrayView(data, size))))
            return -1;
        return size;
    }
    qint64 done = 0;
    while (done < size) {
        DWORD written = 0;
        if (!WriteFile(handle, data + done, DWORD(size - done), &written, nullptr) || written == 0)
            return done > 0 ? done : -1;
        done += written;
    }
    return size;
}

} // namespace platform
