#include "monitor/monitortablemodel.h"

#include <algorithm>

MonitorTableModel::MonitorTableModel(int capacity, QObject *parent)
    : QAbstractTableModel(parent), ringCapacity(qMax(1, capacity))
{}

void MonitorTableModel::setHorizontalHeaderLabels(const QStringList &labels)
{
    headerLabels = labels;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void MonitorTableModel::appendRows(const QVector<Monitor::MonitorRow> &newRows)
{
    // Only the newest rows that fit can be seen; the older ones would go at once.
    const int kept = qMin(int(newRows.size()), ringCapacity);
    if (kept == 0)
        return;
    const int excess = rows + kept - ringCapacity;
    if (excess > 0)
        removeRows(0, excess);

    beginInsertRows(QModelIndex(), rows, rows + kept - 1);
    if (ring.size() < ringCapacity)
        ring.resize(ringCapacity);
    for (int i = newRows.size() - kept; i < newRows.size(); ++i)
        ring[slotOf(rows++)] = newRows.at(i);
    endInsertRows();
}

void MonitorTableModel::clear()
{
    if (rows > 0)
        removeRows(0, rows);
}

int MonitorTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows;
}

int MonitorTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const Monitor::MonitorRow &MonitorTableModel::rowAt(int row) const
{
    return ring.at(slotOf(row));
}

QVariant MonitorTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    // A narrow column elides long controller and note names; the tooltip shows them whole.
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const Monitor::MonitorRow &row = rowAt(index.row());
    switch (index.column()) {
    case EventColumn:
        return row.event;
    case NoColumn:
        return row.no;
    case ValueColumn:
        return row.value;
    case ChannelColumn:
        return row.channel;
    default:
        return {};
    }
}

QVariant MonitorTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headerLabels.size())
        return headerLabels.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags MonitorTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool MonitorTableModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rows)
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    if (row == 0) {
        head = slotOf(count);
    } else {
        // Rows after the run move up into its place; only the middle of a table costs this.
        for (int i = row; i + count < rows; ++i)
            ring[slotOf(i)] = ring.at(slotOf(i + count));
    }
    rows -= count;
    if (rows == 0) {
        head = 0;
        ring.clear(); // an emptied table gives its texts back
    }
    endRemoveRows();
    return true;
}
