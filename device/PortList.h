#pragma once

// The serial ports to search for the scale, from the names the system lists.

#include <QList>
#include <QStringList>

namespace device {

// The port numbers of the names "COMn" (the whole number after "COM", so COM10 is 10), ascending,
// each once. Names of another form are left out.
QList<int> portNumbers(const QStringList &names);

} // namespace device
