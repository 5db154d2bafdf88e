// The tool's reading of its update description and its two version rules, built on the
// description pieces every reader of the update server shares.
#include "update/toolversion.h"

#include "update/updatedescription.h"

#include <QStringList>

namespace ToolVersion {

ToolUpdate parseToolDescription(const QByteArray &utf8)
{
    // All of it: QString::fromUtf8(QByteArray) would stop at the first NUL byte.
    const QString text = QString::fromUtf8(utf8.constData(), utf8.size());
    ToolUpdate update;
    update.versionName = UpdateDescription::leadingVersionName(
        text, UpdateDescription::versionPatternFor(QStringLiteral("Tredora")));
    if (update.versionName.isEmpty())
        return update;
    update.description = UpdateDescription::contentAfterMarker(text);
    update.newVersion = update.versionName.section(QLatin1Char('V'), 1, 1);
    return update;
}

QString shownDescription(const QString &description)
{
    const QChar ellipsis(0x2026);
    QStringList lines;
    int start = 0;
    while (start <= description.size()) {
        int end = description.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = description.size();
        if (lines.size() == kShownLines) {
            lines << (start == description.size() ? QString() : QString(ellipsis));
            break;
        }
        QString line = description.mid(start, qMin(end - start, kShownLineLength));
        if (end - start > kShownLineLength)
            line += ellipsis;
        lines << line;
        start = end + 1;
    }
    return lines.join(QLatin1Char('\n'));
}

QString withoutLeadingV(const QString &versionText)
{
    return versionText.startsWith(QLatin1Char('V')) ? versionText.mid(1) : versionText;
}

bool startupCheckFindsNewer(const QString &current, const QString &newVersion)
{
    return UpdateDescription::dottedNumbers(newVersion).value(0) >
           UpdateDescription::dottedNumbers(current).value(0);
}

bool manualCheckFindsNewer(const QString &current, const QString &newVersion)
{
    return UpdateDescription::compareNumbers(UpdateDescription::dottedNumbers(newVersion),
                                             UpdateDescription::dottedNumbers(current)) > 0;
}

bool checkFindsNewer(CheckRule rule, const QString &current, const QString &newVersion)
{
    return rule == CheckRule::Startup ? startupCheckFindsNewer(current, newVersion)
                                      : manualCheckFindsNewer(current, newVersion);
}

} // namespace ToolVersion
