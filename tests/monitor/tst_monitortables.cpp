// The live monitor tables of the window, fed by an emulated pedal through its terminal:
// the rows of every page, the bounded queue and tables, the message-number filter, the
// trigger-level rule, Clear, and the pointer that the event loop stays live during a burst.
#include "monitor/liveframe.h"
#include "monitor/mypixmapitem.h"
#include "monitorfixture.h"

#include <QCheckBox>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPushButton>
#include <QScrollBar>

namespace {
constexpr int kNoteOn = 0x90;
constexpr int kControlChange = 0xB0;
constexpr int kPitchBend = 0xE0;

// A pitch-bend frame whose Value cell reads `n`, so a row says which frame it came from.
QByteArray numbered(int n, int message = 0)
{
    return liveFrame(message, kPitchBend, n & 0x7F, (n >> 7) & 0x7F);
}

MyPixmapItem *pedalTop(QWidget *container)
{
    auto *view = container->findChild<QGraphicsView *>();
    if (!view || !view->scene())
        return nullptr;
    for (QGraphicsItem *item : view->scene()->items())
        if (auto *top = dynamic_cast<MyPixmapItem *>(item))
            return top;
    return nullptr;
}
} // namespace

class TestMonitorTables : public QObject
{
    Q_OBJECT

    EmulatedCatalog *catalog = nullptr;

private slots:
    void init()
    {
        catalog = EmulatedCatalog::installNew();
        Monitor::triggerIgnoreCount() = 0;
    }
    void cleanup() { PortCatalog::install(nullptr); }

    void framesBecomeRowsInAllThreeTables()
    {
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        // A first run names note 60 "C3" and shows controller names.
        f.pedal.sendFrames({QByteArray::fromHex("00903C64"), QByteArray::fromHex("10B1077F"),
                            QByteArray::fromHex("00E07F7F"), QByteArray::fromHex("00F80000"),
                            QByteArray::fromHex("00903C00")});
        QVERIFY(f.waitForRows(5));
        const QList<QStringList> expected = {{"Note On", "60/C3", "100", "1"},
                                             {"CC", "7/Volume", "127", "2"},
                                             {"Pitch Bend", "--", "16383", "1"},
                                             {"Tempo", "--", "--", "--"},
                                             {"Note On", "60/C3", "0", "1"}};
        for (QTableView *table : f.tables()) {
            for (int row = 0; row < expected.size(); ++row)
                QCOMPARE(MonitorFixture::rowTexts(table, row), expected.at(row));
            const QModelIndex cell = table->model()->index(1, 2);
            QCOMPARE(cell.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
            // A narrow column cuts "7/Volume" and longer names short: the tooltip has it all.
            for (int row = 0; row < expected.size(); ++row)
                for (int column = 0; column < expected.at(row).size(); ++column)
                    QCOMPARE(table->model()->index(row, column).data(Qt::ToolTipRole).toString(),
                             expected.at(row).at(column));
            // Repaints held back during the drain are let go again within a display frame.
            QTRY_VERIFY_WITH_TIMEOUT(table->updatesEnabled(), 1000);
        }
        QCOMPARE(f.script.unexpected, 0);
    }

    void queueDropsTheOldestBeyond250()
    {
        MonitorFixture f(catalog);
        // Delivered in one go, as one large read would, before the drain has a chance to run.
        for (int n = 1; n <= 251; ++n)
            emit f.window.port()->pedalMidiDataSignal({Protocol::PadelUploadCmd, numbered(n)});
        QVERIFY(f.waitForRows(250));
        for (QTableView *table : f.tables()) {
            QCOMPARE(MonitorFixture::rowTexts(table, 0).at(2), QString("2"));
            QCOMPARE(MonitorFixture::rowTexts(table, 249).at(2), QString("251"));
            for (int row = 0; row < 250; ++row)
                QCOMPARE(table->model()->index(row, 2).data().toInt(), row + 2);
        }
    }

    void tablesKeepTheLatest1000Rows()
    {
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        constexpr int kChunk = 100;
        constexpr int kFrames = 1001;
        for (int n = 1; n <= kFrames; n += kChunk) {
            QList<QByteArray> chunk;
            for (int k = n; k < n + kChunk && k <= kFrames; ++k)
                chunk << numbered(k);
            f.pedal.sendFrames(chunk);
            // Chunks stay below the queue bound, so nothing is dropped on the way.
            const QString last = QString::number(n + chunk.size() - 1);
            for (QTableView *table : f.tables())
                QTRY_COMPARE_WITH_TIMEOUT(
                    table->model()->index(table->model()->rowCount() - 1, 2).data().toString(),
                    last, 5000);
        }
        for (QTableView *table : f.tables()) {
            QCOMPARE(table->model()->rowCount(), 1000);
            QCOMPARE(MonitorFixture::rowTexts(table, 0).at(2), QString("2"));
            QCOMPARE(MonitorFixture::rowTexts(table, 999).at(2), QString("1001"));
        }
        // The view follows the newest row.
        QTableView *shown = f.ui->tableView;
        QTRY_COMPARE(shown->verticalScrollBar()->value(), shown->verticalScrollBar()->maximum());
    }

    void filterHidesOtherMessageNumbersOnEveryPage_data()
    {
        QTest::addColumn<int>("pedalType");
        QTest::addColumn<QString>("filterBox");
        QTest::newRow("expression page") << 0 << "checkBox_ex";
        QTest::newRow("switch page") << 1 << "checkBox_sw";
        QTest::newRow("hihat page") << 2 << "checkBox_ht";
    }
    void filterHidesOtherMessageNumbersOnEveryPage()
    {
        QFETCH(int, pedalType);
        QFETCH(QString, filterBox);
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        f.ui->pendal_type_comboBox0->setCurrentIndex(pedalType);
        f.ui->Message_Number->setCurrentIndex(f.ui->Message_Number->findText("3"));
        auto *box = f.window.findChild<QCheckBox *>(filterBox);
        QVERIFY(box);
        QVERIFY(!box->isChecked());
        box->setChecked(true);
        // Another page's box does not count.
        for (QCheckBox *other : {f.ui->checkBox_ex, f.ui->checkBox_sw, f.ui->checkBox_ht})
            if (other != box)
                QVERIFY(!other->isChecked());

        QList<QByteArray> frames;
        for (int message = 0; message < 16; ++message)
            frames << numbered(100 + message, message);
        frames << liveFrame(5, 0xFA) << liveFrame(2, 0xFC);
        f.pedal.sendFrames(frames);
        // The Stop frame comes last: once it is listed every frame before it has been seen.
        for (QTableView *table : f.tables())
            QTRY_COMPARE_WITH_TIMEOUT(MonitorFixture::rowTexts(table, 1).at(0), QString("Stop"),
                                      5000);
        for (QTableView *table : f.tables()) {
            QCOMPARE(table->model()->rowCount(), 2);
            QCOMPARE(MonitorFixture::rowTexts(table, 0),
                     QStringList({"Pitch Bend", "--", "102", "1"}));
            QCOMPARE(MonitorFixture::rowTexts(table, 1).at(0), QString("Stop"));
        }

        box->setChecked(false);
        f.pedal.sendFrames({numbered(7, 9)});
        QVERIFY(f.waitForRows(3));
    }

    void triggerLevelSequence()
    {
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        Ui::Widget *ui = f.ui;
        ui->pendal_type_comboBox0->setCurrentIndex(0);
        ui->expression_comboBox0->setCurrentIndex(1); // NOTE
        ui->expression_note_comboBox_valmin->setCurrentIndex(0);
        ui->expression_note_comboBox_valmax->setCurrentIndex(127);
        ui->expression_trigger_level->setCurrentIndex(100);
        QCOMPARE(ui->expression_trigger_level->currentText(), QString("100"));
        MyPixmapItem *top = pedalTop(ui->widget_4);
        QVERIFY(top);
        top->setRotation(-1); // a value no rule gives

        // The trigger message moves the picture but is not listed.
        f.pedal.sendFrames({liveFrame(0, kNoteOn, 60, 100)});
        QTRY_VERIFY_WITH_TIMEOUT(top->rotation() >= 0, 3000);
        QVERIFY(qAbs(top->rotation() - (1 - 100 / 127.0) * 15) < 0.01);
        QCOMPARE(f.ui->tableView->model()->rowCount(), 0);

        // The next two Note messages are listed and leave the picture alone.
        top->setRotation(-1);
        f.pedal.sendFrames({liveFrame(0, kNoteOn, 60, 20)});
        QVERIFY(f.waitForRows(1));
        f.pedal.sendFrames({liveFrame(0, kNoteOn, 60, 100)});
        QVERIFY(f.waitForRows(2));
        QCOMPARE(top->rotation(), -1.0);

        // Then the picture moves again, and a non-matching value is listed.
        f.pedal.sendFrames({liveFrame(0, 0x80, 60, 40)});
        QVERIFY(f.waitForRows(3));
        QVERIFY(qAbs(top->rotation() - (1 - 40 / 127.0) * 15) < 0.01);
        QCOMPARE(MonitorFixture::rowTexts(f.ui->tableView_3, 2),
                 QStringList({"Note Off", "60/C3", "40", "1"}));
    }

    void clearOnAnyPageEmptiesAllTables_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("expression clear") << "clearButton";
        QTest::newRow("switch clear") << "clearButton_2";
        QTest::newRow("hihat clear") << "clearButton_3";
    }
    void clearOnAnyPageEmptiesAllTables()
    {
        QFETCH(QString, button);
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        f.pedal.sendFrames({numbered(1), numbered(2), numbered(3)});
        QVERIFY(f.waitForRows(3));
        auto *clear = f.window.findChild<QPushButton *>(button);
        QVERIFY(clear);
        clear->click();
        for (QTableView *table : f.tables())
            QCOMPARE(table->model()->rowCount(), 0);
        // The monitor goes on after a Clear.
        f.pedal.sendFrames({numbered(4)});
        QVERIFY(f.waitForRows(1));
        QCOMPARE(MonitorFixture::rowTexts(f.ui->tableView_2, 0).at(2), QString("4"));
        QCOMPARE(f.script.unexpected, 0);
    }

    void eventLoopServesTimersDuringABurst()
    {
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        int ticks = 0;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, this, [&] { ++ticks; });
        QList<QByteArray> burst;
        for (int n = 0; n < Monitor::kLiveQueueCapacity; ++n)
            burst << liveFrame(0, kControlChange, 11, n);
        int ticksDuringDrain = -1;
        connect(f.ui->tableView->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (f.ui->tableView->model()->rowCount() == Monitor::kLiveQueueCapacity)
                ticksDuringDrain = ticks;
        });
        probe.start();
        for (const QByteArray &frame : burst)
            emit f.window.port()->pedalMidiDataSignal({Protocol::PadelUploadCmd, frame});
        QVERIFY(f.waitForRows(Monitor::kLiveQueueCapacity));
        // Ten batches of 25, each followed by an event-processing pass.
        QVERIFY2(ticksDuringDrain >= Monitor::kLiveQueueCapacity / Monitor::kDrainBatchSize - 1,
                 qPrintable(QString::number(ticksDuringDrain)));
        const QList<QWidget *> views = {f.ui->tableView,
                                        f.ui->widget_4->findChild<QGraphicsView *>()};
        for (QWidget *view : views)
            QTRY_VERIFY_WITH_TIMEOUT(view->updatesEnabled(), 1000);
    }
};

QTEST_MAIN(TestMonitorTables)
#include "tst_monitortables.moc"
