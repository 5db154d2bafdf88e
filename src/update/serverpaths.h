// Where the tool finds the maker's files: one base address fixed when the tool is built,
// and the paths below it. The manuals are handed to the browser, never fetched.
#pragma once

#include <QString>
#include <QUrl>

namespace UpdateServer {

// Scheme and host, no trailing slash (the build setting TREDORA_UPDATE_SERVER).
QString baseAddress();

// Base address followed by `path`, parsed tolerantly so that non-ASCII file names are
// percent-encoded as UTF-8 on the wire.
QUrl address(const QString &path);

QString englishManualPath();
QString chineseManualPath();

} // namespace UpdateServer
