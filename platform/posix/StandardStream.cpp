#include "platform/StandardStream.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

struct StandardStream::Private
{
    int fd;
};

StandardStream::StandardStream(Which which, QObject *parent)
    : QIODevice(parent)
    , d(new Private {which == Which::Output ? STDOUT_FILENO : STDERR_FILENO})
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

StandardStream::~StandardStream() = default;

bool StandardStream::isTerminal() const
{
    return ::isatty(d->fd) == 1;
}

bool StandardStream::attachToParentConsole()
{
    return false;
}

qint64 StandardStream::writeData(const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t written = ::write(d->fd, data + done, size_t(size - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return done > 0 ? done : -1;
        done += written;
    }
    return done;
}

} // namespace platform
