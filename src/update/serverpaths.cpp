#include "update/serverpaths.h"

#ifndef TREDORA_UPDATE_SERVER
#error "TREDORA_UPDATE_SERVER must name the update server's base address"
#endif

namespace UpdateServer {

QString baseAddress()
{
    QString base = QStringLiteral(TREDORA_UPDATE_SERVER);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QUrl address(const QString &path)
{
    return QUrl(baseAddress() + path, QUrl::TolerantMode);
}

QString englishManualPath()
{
    return QStringLiteral("/download/Product/Tredora/Tredora_Manual.pdf");
}

QString chineseManualPath()
{
    return QStringLiteral("/download/Product/Tredora/Tredora说明书.pdf");
}

} // namespace UpdateServer
