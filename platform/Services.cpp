#include "platform/Services.h"

namespace platform {

namespace {
template<class Interface, class Real> struct Slot
{
    Interface *installed = nullptr;
    Interface &get()
    {
        if (installed)
            return *installed;
        static Real real = makeReal();
        return real;
    }
    static Real makeReal();
};

template<> SystemClock Slot<Clock, SystemClock>::makeReal()
{
    return SystemClock();
}

Slot<Clock, SystemClock> g_clock;
} // namespace

Clock &clock()
{
    return g_clock.get();
}

void install(Clock *clock)
{
    g_clock.installed = clock;
}

} // namespace platform
