#include "update/updatedescription.h"

#include <QHash>
#include <QRegularExpression>

#include <limits>

namespace UpdateDescription {

namespace {

const QRegularExpression &contentExpression()
{
    static const QRegularExpression expression(QStringLiteral("Update content:\\s*(.*)"),
                                               QRegularExpression::DotMatchesEverythingOption);
    return expression;
}

// A handful of patterns (one per model) are matched again and again.
QRegularExpression compiled(const QString &pattern)
{
    static QHash<QString, QRegularExpression> cache;
    auto found = cache.find(pattern);
    if (found == cache.end())
        found = cache.insert(pattern, QRegularExpression(pattern));
    return found.value();
}

// Digits only, so signs, blanks and overflowing runs of digits count as "not a number".
int plainNumber(const QChar *begin, const QChar *end)
{
    if (begin == end)
        return 0;
    long long value = 0;
    for (const QChar *c = begin; c != end; ++c) {
        if (c->unicode() < '0' || c->unicode() > '9')
            return 0;
        value = value * 10 + (c->unicode() - '0');
        if (value > std::numeric_limits<int>::max())
            return 0;
    }
    return int(value);
}

QVector<int> numbersFrom(const QString &text, int from)
{
    QVector<int> numbers;
    const QChar *data = text.constData();
    int start = from;
    while (true) {
        int dot = text.indexOf(QLatin1Char('.'), start);
        if (dot < 0)
            dot = text.size();
        numbers.append(plainNumber(data + start, data + dot));
        if (dot == text.size())
            break;
        start = dot + 1;
    }
    return numbers;
}

int numberAt(const QVector<int> &numbers, int i)
{
    return i < numbers.size() ? numbers.at(i) : 0;
}

} // namespace

QString leadingVersionName(const QString &text, const QString &pattern)
{
    const QRegularExpressionMatch match = compiled(pattern).match(text);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString versionPatternFor(const QString &name)
{
    return QStringLiteral("^(%1_V[\\d\\.]+)").arg(QRegularExpression::escape(name));
}

QString contentAfterMarker(const QString &text)
{
    const QRegularExpressionMatch match = contentExpression().match(text);
    return match.hasMatch() ? match.captured(1) : QString();
}

Description forUpgradeDialog(const QByteArray &file, const QString &modelKey)
{
    const QString text = QString::fromUtf8(file);
    return {leadingVersionName(text, versionPatternFor(modelKey)),
            contentAfterMarker(text).trimmed()};
}

Description forMainWindow(const QByteArray &file, const QString &versionPattern)
{
    const QString text = QString::fromUtf8(file);
    return {leadingVersionName(text, versionPattern), contentAfterMarker(text)};
}

QVector<int> versionNumbers(const QString &version)
{
    // The "V" of a model name such as TRV-40 is not the version's.
    const int named = version.indexOf(QLatin1String("_V"));
    if (named >= 0)
        return numbersFrom(version, named + 2);
    const int bare = version.indexOf(QLatin1Char('V'));
    if (bare >= 0)
        return numbersFrom(version, bare + 1);
    return {};
}

QVector<int> dottedNumbers(const QString &text)
{
    return numbersFrom(text, 0);
}

int compareNumbers(const QVector<int> &a, const QVector<int> &b)
{
    const int positions = qMax(a.size(), b.size());
    for (int i = 0; i < positions; ++i) {
        const int x = numberAt(a, i);
        const int y = numberAt(b, i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

bool upgradeDialogFindsNewer(const QString &currentVersion, const QString &versionName)
{
    if (versionName.isEmpty())
        return false;
    return compareNumbers(versionNumbers(versionName), versionNumbers(currentVersion)) > 0;
}

bool mainWindowFindsNewer(const QString &currentVersion, const QString &versionName)
{
    const QVector<int> latest = versionNumbers(versionName);
    const QVector<int> current = versionNumbers(currentVersion);
    return compareNumbers(latest.mid(0, 2), current.mid(0, 2)) > 0;
}

} // namespace UpdateDescription
