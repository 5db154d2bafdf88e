#include "editor/entriesahead.h"

#include "common/workahead.h"

#include <QComboBox>
#include <QStandardItemModel>

#include <future>
#include <utility>
#include <vector>

namespace EntriesAhead {
namespace {

using Items = QList<QStandardItem *>;

struct ListSets
{
    QStringList entries;
    std::vector<Items> sets;
};

// The GUI thread's side: the worker hands its sets over through the future only.
struct Pending
{
    std::future<std::vector<ListSets>> made;
    std::vector<ListSets> lists;
    Tally tally;
};

Pending &pending()
{
    static Pending state;
    return state;
}

Items makeItems(const QStringList &entries)
{
    Items items;
    items.reserve(entries.size());
    for (const QString &text : entries)
        items.append(new QStandardItem(text));
    return items;
}

// Waits for the worker the first time; it has normally finished long before.
std::vector<ListSets> &readyLists()
{
    Pending &state = pending();
    if (state.made.valid())
        state.lists = state.made.get();
    return state.lists;
}

ListSets *setsFor(const QStringList &entries)
{
    for (ListSets &list : readyLists()) {
        if (list.entries == entries)
            return &list;
    }
    return nullptr;
}

} // namespace

void make(const QVector<Need> &needs)
{
    finish();
    pending().tally = Tally();
    pending().made = WorkAhead::run([needs] {
        std::vector<ListSets> lists;
        lists.reserve(needs.size());
        for (const Need &need : needs) {
            ListSets list{need.list(), {}};
            list.sets.reserve(need.selectors);
            for (int i = 0; i < need.selectors; ++i)
                list.sets.push_back(makeItems(list.entries));
            lists.push_back(std::move(list));
        }
        return lists;
    });
}

void append(QComboBox *selector, const QStringList &entries)
{
    if (!selector || entries.isEmpty())
        return;
    ListSets *list = setsFor(entries);
    auto *model = qobject_cast<QStandardItemModel *>(selector->model());
    // Ready-made items go only where addItems would put them whole: at the end of the
    // selector's own list, within its maximum count.
    const bool fits = model && !selector->rootModelIndex().isValid() &&
                      selector->maxCount() - selector->count() >= entries.size();
    if (!list || !fits) {
        selector->addItems(entries);
        return;
    }
    if (list->sets.empty()) {
        ++pending().tally.missed;
        selector->addItems(entries);
        return;
    }
    Items items = std::move(list->sets.back());
    list->sets.pop_back();
    // The selector hears of the rows as it does from addItems: its first entry becomes current.
    model->invisibleRootItem()->insertRows(selector->count(), items);
    ++pending().tally.taken;
}

void finish()
{
    for (ListSets &list : readyLists()) {
        for (const Items &items : list.sets) {
            qDeleteAll(items);
            ++pending().tally.unused;
        }
    }
    pending().lists.clear();
}

Tally tally()
{
    return pending().tally;
}

} // namespace EntriesAhead
