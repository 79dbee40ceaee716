#pragma once

// What a long run with the scale (programming and verify, read-back) tells its screen, and the
// counters it works with.
//
// The runs are plain logic; the scale's worker implements RunObserver to show the hourglass, the
// progress bar, the progress line under it, and to take over at the moment a run ends (the success
// screen, the scale-error screen, a message). Tests implement it to record what a run showed.

#include <QString>
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
};

class RunObserver
{
public:
    virtual ~RunObserver() = default;
    virtual void setHourglass(bool on) = 0;
    // Shows the bar with the range 0 to maximum and the value 0.
    virtual void showProgress(int maximum) = 0;
    virtual void setProgress(int value) = 0;
    virtual void hideProgress() = 0;
    // The line under the bar: phase, block and time left.
    virtual void setProgressLine(const QString &text) = 0;
    // Called once, at the moment the run hands over to the screen; the run may still send the
    // scale its closing byte afterwards.
    virtual void ended(RunOutcome outcome) = 0;
    // Asked before each frame of a programming run: true stops the run there (RunOutcome::Stopped)
    // once the closing byte has left. It may turn true from another thread.
    virtual bool stopRequested() const { return false; }
};

enum class Phase { Programming, Verifying, Reading };

// "Programming block 37 of 512, about 53 s left"; without the time when msLeft is negative.
QString progressText(Phase phase, int block, int blocks, qint64 msLeft);

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
