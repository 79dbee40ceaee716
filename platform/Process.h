#pragma once

// The end of the program: end() makes the event loop return with the program's status, so that
// main() lets every object go in order (the scale's port is closed by its owner). The caller
// carries on until control is back in the event loop.

namespace platform {

// The status of a program stopped before its work was done: by Ctrl-C, the console's close or the
// end of the user's session.
inline constexpr int kStoppedStatus = 6;

class Process
{
public:
    virtual ~Process() = default;
    virtual void end(int status) = 0;
};

class SystemProcess final : public Process
{
public:
    void end(int status) override;
};

} // namespace platform
