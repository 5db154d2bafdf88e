// The tool's own update description and the two ways the tool decides that the server's
// version is newer than itself: quietly at every show, and when the user asks.
#pragma once

#include <QByteArray>
#include <QString>

namespace ToolVersion {

struct ToolUpdate
{
    QString versionName; // "Tredora_V4.1.0"; empty when the text does not start with one
    QString description; // what follows "Update content:", as found
    QString newVersion;  // the version name after its first "V": "4.1.0"
};

ToolUpdate parseToolDescription(const QByteArray &utf8);

// The description as the update dialog shows it: a server's description of any size must
// neither freeze the window while it is laid out nor push the buttons off the screen, so at
// most kShownLines lines of at most kShownLineLength characters are kept, a cut marked "…".
constexpr int kShownLines = 30;
constexpr int kShownLineLength = 200;
QString shownDescription(const QString &description);

// "V4.0.3" as the About dialog shows it becomes "4.0.3".
QString withoutLeadingV(const QString &versionText);

// The check at every show only speaks up for a new major number.
bool startupCheckFindsNewer(const QString &current, const QString &newVersion);
// "Check for Update " compares number by number; a missing or non-numeric number counts as 0.
bool manualCheckFindsNewer(const QString &current, const QString &newVersion);

enum class CheckRule { Startup, Manual };
bool checkFindsNewer(CheckRule rule, const QString &current, const QString &newVersion);

} // namespace ToolVersion
