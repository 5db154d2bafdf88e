// The record in which the link hands one device reply or one live frame to the window.
#pragma once

#include <QByteArray>
#include <QMetaType>

namespace Protocol {

enum Kind : qint32 {
    HandshadeReplyCmd = 0,
    SetPadelReply = 1,
    CheckPadelReply = 2,
    DeletePadelReply = 3,
    PadelUploadCmd = 4,
};

struct MsgPackage
{
    qint32 kind = -1;
    QByteArray frame;

    friend bool operator==(const MsgPackage &a, const MsgPackage &b)
    {
        return a.kind == b.kind && a.frame == b.frame;
    }
};

} // namespace Protocol

Q_DECLARE_METATYPE(Protocol::MsgPackage)
