// Where the tool finds the maker's files: one base address fixed when the tool is built,
// the paths below it, and the two model tables of the firmware checks.
#pragma once

#include <QString>
#include <QUrl>
#include <QVector>

namespace UpdateServer {

// Scheme and host, no trailing slash (the build setting TREDORA_UPDATE_SERVER, or the address
// given to setBaseAddress).
QString baseAddress();

// Tests and the demo point the tool at a local server; the program itself never calls this.
// Only https:// addresses (scheme, host, optional port) are taken; anything else is logged and
// leaves the address unchanged.
bool setBaseAddress(const QString &address);

// Base address followed by `path`, parsed tolerantly so that non-ASCII file names are
// percent-encoded as UTF-8 on the wire.
QUrl address(const QString &path);

QString englishManualPath();
QString chineseManualPath();

// "/download/Product/<model>/Update/<version name>.bin"
QString firmwareImagePath(const QString &modelKey, const QString &versionName);

QString toolDescriptionPath();
// The installer of tool version `version` (digits and dots, no "V").
QString installerPath(const QString &version);

// The upgrade dialog's models: key (also the name in paths and descriptions) and description.
struct DialogModel
{
    QString key;
    QString descriptionPath;
};
const QVector<DialogModel> &upgradeDialogModels();
// First key of the table that occurs in `deviceModel` (case-sensitive); null when none does.
const DialogModel *upgradeDialogModelFor(const QString &deviceModel);

// The main window's models, numbered from 1, each with the pattern of its version name.
struct WindowModel
{
    int index;
    QString name;
    QString descriptionPath;
    QString versionPattern;
};
const QVector<WindowModel> &mainWindowModels();
const WindowModel *mainWindowModelFor(const QString &pedalModel);

} // namespace UpdateServer
