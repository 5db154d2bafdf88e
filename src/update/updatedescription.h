// Reading the update descriptions the server keeps per product, and comparing version names.
// Each reader has its own matching and comparison; they are kept apart and named for it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace UpdateDescription {

// Capture 1 of the anchored `pattern` (for example "^(TRV-40_V[\d\.]+)") at the very start of
// `text`; empty when the text does not start with a match.
QString leadingVersionName(const QString &text, const QString &pattern);
// The anchored version-name pattern of a product name: "^(<name>_V[\d\.]+)".
QString versionPatternFor(const QString &name);
// Everything after the first "Update content:" and the white space after it, to the end of the
// text, as found; empty without the marker.
QString contentAfterMarker(const QString &text);

struct Description
{
    QString versionName;
    QString content;
};

// The upgrade dialog's reading: content trimmed.
Description forUpgradeDialog(const QByteArray &file, const QString &modelKey);
// The main window's reading with its model's version pattern: content as found.
Description forMainWindow(const QByteArray &file, const QString &versionPattern);

// The numbers of a version name after its "_V" (or after the "V" of a bare version such as
// V1.0.2), split at "."; a part that is not a plain decimal number counts as 0. No "V": empty.
QVector<int> versionNumbers(const QString &version);
// Numbers of a dotted text such as "4.0.3"; a part that is not a plain decimal number is 0.
QVector<int> dottedNumbers(const QString &text);
// Position by position over the longer list, a missing position counting as 0: -1, 0 or 1.
int compareNumbers(const QVector<int> &a, const QVector<int> &b);

// The upgrade dialog's rule: the whole number list decides; an empty version name never does.
bool upgradeDialogFindsNewer(const QString &currentVersion, const QString &versionName);
// The main window's rule: only the first two numbers count, a missing one being 0.
bool mainWindowFindsNewer(const QString &currentVersion, const QString &versionName);

} // namespace UpdateDescription
