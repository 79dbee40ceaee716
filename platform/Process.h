#pragma once

// The end of the program: terminate ends the process at once; no close handler runs.

namespace platform {

class Process
{
public:
    virtual ~Process() = default;
    virtual void terminate() = 0;
};

class SystemProcess final : public Process
{
public:
    void terminate() override;
};

// Ends the program through the installed Process.
void Terminate();

// The one the program uses, and its replacement by a test (nullptr: the real one again; the
// caller keeps ownership). Defined with the others in Services.cpp.
Process &process();
void install(Process *process);

} // namespace platform
