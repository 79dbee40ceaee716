#pragma once

// The end of the program: end() makes the event loop return, so that main() lets every object go
// in order (the scale's port is closed by its owner). The caller carries on until control is back
// in the event loop.

namespace platform {

class Process
{
public:
    virtual ~Process() = default;
    virtual void end() = 0;
};

class SystemProcess final : public Process
{
public:
    void end() override;
};

} // namespace platform
