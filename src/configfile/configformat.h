// What a saved editor state looks like: which selector positions go into which group, in
// which order a file is applied, and the rules that keep a load free of range refusals.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace ConfigFile {

constexpr char kExpressionGroup[] = "Expression";
constexpr char kSwitchGroup[] = "Switch";
constexpr char kHatGroup[] = "Hat";

// The two writers differ in one key each: "Save File As" keeps the pedal number, "Save File"
// the second row's message number.
enum class Writer { SaveAs, Save };

struct GroupKeys
{
    QString group;
    QStringList keys; // selector object names
};

// Groups in writing order (Expression, Switch, Hat) with the keys of the writer.
const QList<GroupKeys> &writerKeys(Writer writer);

// One step of a load: a single selector, or a min/max pair applied in a safe order.
struct LoadStep
{
    QString group;
    QString key;    // the selector, or the minimum of a pair
    QString maxKey; // empty unless the step is a pair
    // "group/key" and "group/maxKey" as a file is read by them, built once with the plan
    QString keyPath;
    QString maxKeyPath;
    bool isPair() const { return !maxKey.isEmpty(); }
};

// Every key the loader reads, in the order it applies them.
const QList<LoadStep> &loadPlan();

// "group/key", the path a file is read and written by.
QString settingsPath(const QString &group, const QString &key);

// The chosen name with ".ini" appended, unless it already ends in it in any case.
QString withIniSuffix(const QString &fileName);

// A pair must never pass through min > max on its way, or the range check refuses it.
bool setsMinimumFirst(int storedMinimum, int currentMaximum);

// The position a stored value hands to its selector. A decimal number goes as it is, even
// outside the selector's list: the selector is then left without an entry, which is sent as
// FF and refused by the pedal, rather than turned into plausible settings. A number too big
// for a position gives -1, with the same effect. Anything else (absent, text) counts as a
// missing key: position 0.
int positionFromValue(const QVariant &value);

} // namespace ConfigFile
