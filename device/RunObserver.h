#pragma once

// What a long run with the scale (programming and verify, read-back) reports while it works, and
// the counters it works with.
//
// The runs are plain logic that report values: where they stand while they work, and how they
// ended as what they return. The scale's worker implements RunObserver to pass the reports on to
// the job of the moment; the windows and the terminal word them. Tests implement it to record what
// a run reported.

#include "core/RunProgress.h"

#include <QtGlobal>

namespace device {

// How a run ended.
enum class RunOutcome {
    Done,            // every block programmed and verified, or the whole area read
    ScaleLost,       // the scale stopped answering (or the port went away) in the blocks
    SessionTimedOut, // read-back: the session was never answered
    SerialRefused,   // the scale refused the session: the serial number is not its own
    Stopped,         // stopped between two frames on request, the session closed
};

// The block being worked on and the failures counted in the current phase; the caller keeps them,
// so after a run that gave up they say where it stopped.
struct RunCounters
{
    quint32 address = 0;
    quint8 retries = 0;
    // Every failure of the run, in all its phases.
    int failures = 0;
};

class RunObserver
{
public:
    virtual ~RunObserver() = default;
    // Where the run stands, before each frame of a block (and before each session it opens).
    virtual void progress(const core::RunProgress &progress) = 0;
    // Asked before each frame of a programming run: true stops the run there (RunOutcome::Stopped)
    // once the closing byte has left. It may turn true from another thread.
    virtual bool stopRequested() const { return false; }
};

// The time left of a run, from the measured pace of the exchanges that were answered (a
// time-out says nothing about the line's pace).
class PaceEstimate
{
public:
    void add(qint64 ms)
    {
        m_totalMs += ms;
        ++m_count;
    }
    // Milliseconds for `remaining` more exchanges; -1 before any exchange was measured.
    qint64 timeLeft(int remaining) const
    {
        return m_count == 0 ? -1 : m_totalMs * remaining / m_count;
    }

private:
    qint64 m_totalMs = 0;
    qint64 m_count = 0;
};

} // namespace device
