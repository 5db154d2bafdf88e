// Byte fixtures shared by the framer's tests over plain buffers and over a pseudo-terminal.
#pragma once

#include <QByteArray>

namespace FramingBytes {

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// A whole 24-byte read-back reply.
inline QByteArray readBackReply()
{
    return hex("F000215E1004"
               "0102010300"
               "0A006400"
               "0032"
               "00000064"
               "0000"
               "F7");
}

} // namespace FramingBytes
