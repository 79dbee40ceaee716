#pragma once

#include <QMetaType>
#include <QtGlobal>

namespace core {

// Where a long run with the scale stands, as its job reports it: the phase, the block being worked
// on (counted from 1) of the blocks of the phase, and the time left of the whole run. The windows
// and the terminal word it (runProgressText) and draw their bars from it.
struct RunProgress
{
    enum class Phase {
        Opening,     // the programming session is being opened; block is the one it resumes at
        Programming, // writing
        Verifying,   // reading the written blocks back
        Reading,     // a service read-back of a flash area
    };

    Phase phase = Phase::Opening;
    int block = 1;
    int blocks = 0;
    // -1 while the pace of the line is not known yet.
    qint64 msLeft = -1;

    friend bool operator==(const RunProgress &a, const RunProgress &b)
    {
        return a.phase == b.phase && a.block == b.block && a.blocks == b.blocks
            && a.msLeft == b.msLeft;
    }
};

} // namespace core

Q_DECLARE_METATYPE(core::RunProgress)
