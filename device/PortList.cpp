#include "device/PortList.h"

#include <QRegularExpression>

#include <algorithm>

namespace device {

QList<int> portNumbers(const QStringList &names)
{
    static const QRegularExpression pattern(QStringLiteral("^COM(\\d{1,6})$"));
    QList<int> numbers;
    for (const QString &name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        const int number = match.captured(1).toInt();
        if (number > 0 && !numbers.contains(number))
            numbers.append(number);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

} // namespace device
