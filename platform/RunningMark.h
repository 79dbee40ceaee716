#pragma once

// Tells the program's installer that the program runs: on Windows a named mutex, held while the
// object lives, that the setup looks for before it replaces a file (a running program's files
// cannot be replaced there). On Linux nothing: the package manager replaces the files of a
// running program safely.

namespace platform {

class RunningMark
{
public:
    RunningMark();
    // Not trivial on Windows, where it closes the mutex.
    ~RunningMark(); // NOLINT(performance-trivially-destructible)
    RunningMark(const RunningMark &) = delete;
    RunningMark &operator=(const RunningMark &) = delete;

private:
    void *m_handle = nullptr;
};

} // namespace platform
