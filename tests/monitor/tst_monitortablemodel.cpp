// The ring of monitor rows against a plain list doing the same appends and removals, with
// Qt's model tester watching every signal the views rely on.
#include "monitor/monitortablemodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using Monitor::MonitorRow;

namespace {
MonitorRow numberedRow(int n)
{
    return {QStringLiteral("CC"), QString::number(n % 128), QString::number(n),
            QString::number(n % 16 + 1)};
}

QList<MonitorRow> modelRows(const MonitorTableModel &model)
{
    QList<MonitorRow> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.index(r, c).data().toString();
        rows << MonitorRow{cells.at(0), cells.at(1), cells.at(2), cells.at(3)};
    }
    return rows;
}
} // namespace

class TestMonitorTableModel : public QObject
{
    Q_OBJECT

private slots:
    void followsAPlainListThroughWrapAround()
    {
        constexpr int kCapacity = 7;
        MonitorTableModel model(kCapacity);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QList<MonitorRow> expected;
        int next = 0;
        const auto append = [&](int count) {
            QVector<MonitorRow> batch;
            for (int i = 0; i < count; ++i)
                batch << numberedRow(next++);
            model.appendRows(batch);
            for (const MonitorRow &row : batch)
                expected << row;
            while (expected.size() > kCapacity)
                expected.removeFirst();
        };

        // Batches smaller than, equal to and larger than the ring, with removals between,
        // so the head passes the end of the storage several times.
        const int batches[] = {3, 3, 3, 1, 7, 2, 12, 5, 1, 6};
        for (int count : batches) {
            append(count);
            QCOMPARE(modelRows(model), expected);
        }
        QVERIFY(model.removeRows(2, 3)); // the middle moves up
        expected.erase(expected.begin() + 2, expected.begin() + 5);
        QCOMPARE(modelRows(model), expected);
        append(4);
        QCOMPARE(modelRows(model), expected);
        QVERIFY(model.removeRows(0, 2));
        expected.erase(expected.begin(), expected.begin() + 2);
        QCOMPARE(modelRows(model), expected);
        append(9);
        QCOMPARE(modelRows(model), expected);

        model.clear();
        QCOMPARE(model.rowCount(), 0);
        append(2);
        expected = expected.mid(expected.size() - 2);
        QCOMPARE(modelRows(model), expected);
    }

    void reportsWhatTheViewsNeed()
    {
        MonitorTableModel model(1000);
        model.setHorizontalHeaderLabels({"STATUS", "DATA1", "DATA2", "CHAN"});
        QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString("CHAN"));
        model.appendRow({"Note On", "60/C4", "100", "1"});
        const QModelIndex cell = model.index(0, 1);
        QCOMPARE(cell.data().toString(), QString("60/C4"));
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), QString("60/C4"));
        QCOMPARE(cell.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QVERIFY(!(model.flags(cell) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(cell, "61"));
    }

    void rejectsRowsThatAreNotThere()
    {
        MonitorTableModel model(5);
        model.appendRows({numberedRow(1), numberedRow(2)});
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QVERIFY(!model.removeRows(-1, 1));
        QVERIFY(!model.removeRows(1, 2));
        QVERIFY(!model.removeRows(0, 0));
        QVERIFY(!model.removeRows(0, 1, model.index(0, 0)));
        QCOMPARE(removed.count(), 0);
        QCOMPARE(model.rowCount(), 2);
        QVERIFY(!model.index(2, 0).data().isValid());
        QCOMPARE(model.rowCount(model.index(0, 0)), 0);
    }

    void aFullTableDropsOnlyAsManyAsArrive()
    {
        MonitorTableModel model(1000);
        QVector<MonitorRow> thousand;
        for (int i = 0; i < 1000; ++i)
            thousand << numberedRow(i);
        model.appendRows(thousand);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.appendRows({numberedRow(1000), numberedRow(1001)});
        QCOMPARE(model.rowCount(), 1000);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        QCOMPARE(removed.at(0).at(2).toInt(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 998);
        QCOMPARE(model.index(0, 2).data().toString(), QString("2"));
        QCOMPARE(model.index(999, 2).data().toString(), QString("1001"));
    }
};

QTEST_GUILESS_MAIN(TestMonitorTableModel)
#include "tst_monitortablemodel.moc"
