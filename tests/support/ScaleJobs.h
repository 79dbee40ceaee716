#pragma once

// The scale programmer's jobs as calls that return what the job reported. On virtual ports the
// job has ended when the request returns; on real ports (ptys) the call waits for its signal.

#include "device/ScaleProgrammer.h"

#include <QSignalSpy>

namespace testing_support {

// The serial number the scale answered, "" when it gave no complete answer.
inline QString readSerialNumber(device::ScaleProgrammer &scale, int timeoutMs = 30'000)
{
    QSignalSpy read(&scale, &device::ScaleProgrammer::serialNumberRead);
    scale.readSerialNumber();
    if (read.isEmpty() && !read.wait(timeoutMs))
        return QStringLiteral("(no end of the read)");
    return read.first().first().toString();
}

} // namespace testing_support
