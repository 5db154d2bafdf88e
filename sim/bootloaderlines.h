// The bootloader's text lines (AA CC code text CR LF) and its request codes, shared by the
// pedal, which answers the device-info and version requests too, and the bootloader itself.
#pragma once

#include "protocol/messages.h"

#include <QByteArray>
#include <QString>

namespace Sim {

// The code of a whole request AA CC 02 00 code CR LF (Protocol::BootloaderCode), or -1.
inline int bootloaderRequestCode(const QByteArray &line)
{
    if (line.size() != 7 || !line.startsWith(QByteArray("\xAA\xCC\x02\x00", 4)) ||
        !line.endsWith("\r\n"))
        return -1;
    return quint8(line.at(4));
}

inline QByteArray bootloaderLine(char code, const QByteArray &text)
{
    return QByteArray("\xAA\xCC", 2) + code + text + "\r\n";
}

// The third byte tells the lines apart; the tool finds the version by AA CC 06 "V".
inline QByteArray modelLine(const QString &model)
{
    return bootloaderLine('\x05', model.toUtf8());
}
inline QByteArray versionLine(const QString &version)
{
    return bootloaderLine('\x06', version.toUtf8());
}
inline QByteArray eraseEndLine()
{
    return bootloaderLine('\x09', "ERASE END");
}

// What a device says to the device-info and version requests; empty for any other code.
inline QByteArray identityAnswer(int code, const QString &model, const QString &version)
{
    if (code == Protocol::DeviceInfoRequest)
        return modelLine(model);
    if (code == Protocol::VersionRequest)
        return versionLine(version);
    return {};
}

} // namespace Sim
