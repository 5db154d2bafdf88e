// The entries of the long selector lists, made on the worker while the form is built. Each
// entry is a QStandardItem that costs the GUI thread about a microsecond to make, and the
// window starts with some seven thousand of them; inserting ready-made ones is cheap.
#pragma once

#include <QStringList>
#include <QVector>

#include <functional>

class QComboBox;

namespace EntriesAhead {

struct Need
{
    std::function<QStringList()> list; // spelt on the worker too; it must be thread-safe
    int selectors = 0;                 // how many selectors will be given the list
};

// Starts making one set of items per selector for each list, on the worker. Sets left from an
// earlier start are dropped first.
void make(const QVector<Need> &needs);

// Appends the entries to the selector's list, as QComboBox::addItems does: with a ready-made
// set when one of the list is left, otherwise with items made here.
void append(QComboBox *selector, const QStringList &entries);

// Drops the sets not taken.
void finish();

// How the sets of the last make() were used; complete once finish() has run. A list given to
// more selectors than planned is made here for the rest ("missed").
struct Tally
{
    int taken = 0;
    int missed = 0;
    int unused = 0;
};
Tally tally();

} // namespace EntriesAhead
