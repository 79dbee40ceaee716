#pragma once

// The tool programs (maker server, virtual scale) are Linux programs, also when the tests are
// Windows programs under Wine: a path the tests hand to a tool is given as the tool sees it.

#include <QString>

namespace testing_support {

// The Linux path of a local path: the same on Linux; under Wine, where C: lies in the prefix.
QString hostPath(const QString &localPath);

} // namespace testing_support
