#include "platform/SerialPort.h"

#include <QRegularExpression>

namespace platform {

SerialError SerialError::notFound(const QString &portName)
{
    return SerialError(Kind::NotFound, QStringLiteral("%1 is not there.").arg(portName));
}

SerialError SerialError::busy(const QString &portName)
{
    return SerialError(Kind::Busy,
                       QStringLiteral("%1 is in use by another program. Close that program and "
                                      "try again.")
                           .arg(portName));
}

SerialError
SerialError::permissionDenied(const QString &portName, const QString &device, const QString &group)
{
    // A device of the group "root" is not meant to be shared through its group: access has to
    // be granted by the administrator, usually by giving the device to "dialout".
    if (group.isEmpty() || group == QLatin1String("root")) {
        return SerialError(Kind::PermissionDenied,
                           QStringLiteral("You may not open %1 (%2). Ask your administrator to "
                                          "give your user access to it, usually through "
                                          "membership of the group \"dialout\", then log out "
                                          "and log in again.")
                               .arg(portName, device));
    }
    return SerialError(Kind::PermissionDenied,
                       QStringLiteral("You may not open %1 (%2). To use it, your user must be a "
                                      "member of the group \"%3\" that owns the device: run "
                                      "\"sudo usermod -aG %3 $USER\" (or ask your administrator), "
                                      "then log out and log in again.")
                           .arg(portName, device, group));
}

QString comName(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

int comNumber(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([1-9][0-9]{0,5})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

SerialError SerialError::notOpen()
{
    return SerialError(Kind::NotOpen, QStringLiteral("The port is not open."));
}

} // namespace platform
