// The rows of one live monitor table. A full table drops its oldest row for every new one,
// many thousand times a second while a pedal streams, so the rows sit in a ring: dropping
// the oldest costs the same however many rows the table holds.
#pragma once

#include "monitor/liveframe.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

class MonitorTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { EventColumn, NoColumn, ValueColumn, ChannelColumn, ColumnCount };

    explicit MonitorTableModel(int capacity, QObject *parent = nullptr);

    int capacity() const { return ringCapacity; }
    void setHorizontalHeaderLabels(const QStringList &labels);

    // Appends the rows in order; beyond the capacity the oldest rows go first, as if each
    // row had been appended on its own.
    void appendRows(const QVector<Monitor::MonitorRow> &rows);
    void appendRow(const Monitor::MonitorRow &row) { appendRows({row}); }
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Any run of rows can go; the head of the table goes without moving the others.
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

private:
    const Monitor::MonitorRow &rowAt(int row) const;
    int slotOf(int row) const { return (head + row) % ringCapacity; }

    QVector<Monitor::MonitorRow> ring; // grows to the capacity, then is reused in place
    int ringCapacity;
    int head = 0; // slot of the oldest row
    int rows = 0;
    QStringList headerLabels;
};
