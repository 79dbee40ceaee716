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

} // namespace platform
