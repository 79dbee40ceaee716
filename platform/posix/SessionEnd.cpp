#include "platform/SessionEnd.h"

namespace platform {

struct SessionEnd::Private
{
};

SessionEnd::SessionEnd(QObject *parent)
    : QObject(parent)
{ }

SessionEnd::~SessionEnd() = default;

void SessionEnd::hold(quintptr, const QString &) { }

void SessionEnd::release() { }

} // namespace platform
