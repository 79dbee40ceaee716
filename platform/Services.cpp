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
template<> DesktopShell Slot<Shell, DesktopShell>::makeReal()
{
    return DesktopShell();
}
template<> SystemProcess Slot<Process, SystemProcess>::makeReal()
{
    return SystemProcess();
}

Slot<Clock, SystemClock> g_clock;
Slot<Shell, DesktopShell> g_shell;
Slot<Process, SystemProcess> g_process;
} // namespace

Clock &clock()
{
    return g_clock.get();
}
Shell &shell()
{
    return g_shell.get();
}
Process &process()
{
    return g_process.get();
}

void install(Clock *clock)
{
    g_clock.installed = clock;
}
void install(Shell *shell)
{
    g_shell.installed = shell;
}
void install(Process *process)
{
    g_process.installed = process;
}

} // namespace platform
