#include "platform/StandardStream.h"

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
        const QString text = d->decoder.decode(QByteArrayView(data, size));
        qsizetype done = 0;
        while (done < text.size()) {
            DWORD written = 0;
            if (!WriteConsoleW(handle,
                               reinterpret_cast<const wchar_t *>(text.utf16()) + done,
                               DWORD(text.size() - done),
                               &written,
                               nullptr)
                || written == 0)
                return -1;
            done += written;
        }
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
