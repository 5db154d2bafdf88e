// The editor's lists are positions the device reads, so their texts, order and counts are
// checked here without a window, together with the shared lists and how they are attached.
#include "editor/vocabulary.h"

#include "editor/entriesahead.h"

#include <QComboBox>
#include <QFrame>
#include <QListView>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

#include <set>
#include <tuple>

class TestVocabulary : public QObject
{
    Q_OBJECT

private slots:
    void controllerNames_data();
    void controllerNames();
    void unnamedControllersAreExactlyTheGaps();
    void noteNames_data();
    void noteNames();
    void fixedLists_data();
    void fixedLists();
    void numberLists_data();
    void numberLists();
    void filledSelectors_data();
    void filledSelectors();
    void sharedListsAreBuiltOnceAndStayIntact();
    void attachRules();
};

void TestVocabulary::controllerNames_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("name");
    QTest::newRow("first named") << 0 << "Bank MSB";
    QTest::newRow("volume") << 7 << "Volume";
    QTest::newRow("sustain") << 64 << "Pedal (Sustain)";
    QTest::newRow("last named") << 127 << "Poly On";
    QTest::newRow("unnamed") << 50 << "***";
    QTest::newRow("just above range") << 128 << "Invalid CC";
    QTest::newRow("negative") << -1 << "Invalid CC";
}

void TestVocabulary::controllerNames()
{
    QFETCH(int, number);
    QFETCH(QString, name);
    QCOMPARE(controllerName(number), name);
    if (number >= 0 && number < 128)
        QCOMPARE(controllerEntry(number), QStringLiteral("%1) %2").arg(number).arg(name));
}

void TestVocabulary::unnamedControllersAreExactlyTheGaps()
{
    // Written from the ranges, not from the table: a name at a wrong number shows up here.
    std::set<int> unnamed = {3, 9, 68, 70};
    const QList<QPair<int, int>> ranges = {{12, 31}, {33, 37}, {39, 63},
                                           {75, 83}, {85, 90}, {102, 119}};
    for (const auto &[first, last] : ranges) {
        for (int n = first; n <= last; ++n)
            unnamed.insert(n);
    }
    for (int n = 0; n < 128; ++n)
        QVERIFY2((controllerName(n) == QLatin1String("***")) == (unnamed.count(n) == 1),
                 qPrintable(QString::number(n)));
    QCOMPARE(int(unnamed.size()), 128 - 41);
}

void TestVocabulary::noteNames_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("naming");
    QTest::addColumn<QString>("name");
    QTest::newRow("middle C, naming 1") << 60 << 1 << "C4";
    QTest::newRow("middle C, naming 2") << 60 << 2 << "C3";
    QTest::newRow("middle C, naming 3") << 60 << 3 << "C5";
    QTest::newRow("lowest, naming 2") << 0 << 2 << "C-2";
    QTest::newRow("highest, naming 1") << 127 << 1 << "G9";
    QTest::newRow("highest, naming 3 two digits") << 127 << 3 << "G10";
    QTest::newRow("sharp with minus") << 1 << 1 << "C#-1";
    QTest::newRow("A below octave 0") << 9 << 2 << "A-2";
    QTest::newRow("sharp, two-digit octave") << 126 << 3 << "F#10";
    QTest::newRow("naming 0 is empty") << 60 << 0 << "";
    QTest::newRow("naming 4 is empty") << 60 << 4 << "";
    QTest::newRow("number checked before naming") << 128 << 4 << "Invalid Note";
}

void TestVocabulary::noteNames()
{
    QFETCH(int, number);
    QFETCH(int, naming);
    QFETCH(QString, name);
    QCOMPARE(noteName(number, naming), name);
}

void TestVocabulary::fixedLists_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("expression events")
        << expressionEventList()
        << QStringList{"Continuous Controllers (CC)", "NOTE", "Pitch Bend", "Channel Pressure"};
    const QStringList basic{
        "Continuous Controllers (CC)", "Program Change (PC)", "NOTE", "Stop", "Continue", "Start"};
    QTest::newRow("switch events, basic") << switchEventList(false) << basic;
    QTest::newRow("switch events, tempo")
        << switchEventList(true) << (basic + QStringList{"Tempo"});
    QTest::newRow("hat events") << hatEventList()
                                << QStringList{"Continuous Controllers (CC)", "NOTE"};
    QTest::newRow("pedal types") << pedalTypeList()
                                 << QStringList{"Expression", "Switch", "Hi-Hat"};
    QTest::newRow("full trigger modes")
        << triggerModeList(TriggerModeSet::Full)
        << QStringList{"Single", "Toggle", "Reset", "Increase", "Decrease", "LongPress"};
    QTest::newRow("stop and start modes")
        << triggerModeList(TriggerModeSet::SingleToggle) << QStringList{"Single", "Toggle"};
    QTest::newRow("continue and tempo modes")
        << triggerModeList(TriggerModeSet::SingleOnly) << QStringList{"Single"};
    QTest::newRow("hidden switch status")
        << legacySwitchStatusList() << QStringList{"Stop", "Continue", "Start"};
    QTest::newRow("hidden switch mode, no long press")
        << legacySwitchModeList()
        << QStringList{"Single", "Toggle", "Reset", "Increase", "Decrease"};
}

void TestVocabulary::fixedLists()
{
    QFETCH(QStringList, list);
    QFETCH(QStringList, expected);
    QCOMPARE(list, expected);
}

void TestVocabulary::numberLists_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("probe");
    QTest::addColumn<QString>("probeText");
    QTest::newRow("channels start at 1") << channelList() << 16 << "1"
                                         << "2"
                                         << "16" << 0 << "1";
    QTest::newRow("gain centre is 0") << gainList() << 101 << "-50"
                                      << "-49"
                                      << "50" << 50 << "0";
    QTest::newRow("level 127 with OFF") << makeNumberList(127, true) << 128 << "OFF"
                                        << "1"
                                        << "127" << 127 << "127";
    QTest::newRow("level 16383 with OFF") << makeNumberList(16383, true) << 16384 << "OFF"
                                          << "1"
                                          << "16383" << 8192 << "8192";
    QTest::newRow("values 16383 from 0") << makeNumberList(16383, false) << 16384 << "0"
                                         << "1"
                                         << "16383" << 8192 << "8192";
    QTest::newRow("named controllers") << controllerList(true) << 128 << "0) Bank MSB"
                                       << "1) Modulation"
                                       << "127) Poly On" << 3 << "3) ***";
}

void TestVocabulary::numberLists()
{
    QFETCH(QStringList, list);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, last);
    QFETCH(int, probe);
    QFETCH(QString, probeText);
    QCOMPARE(list.size(), count);
    QCOMPARE(list.first(), first);
    QCOMPARE(list.at(1), second);
    QCOMPARE(list.last(), last);
    QCOMPARE(list.at(probe), probeText);
}

void TestVocabulary::filledSelectors_data()
{
    QTest::addColumn<bool>("madeAhead");
    QTest::newRow("entries made here") << false;
    QTest::newRow("entries made on the worker") << true;
}

// Ready-made entries must fill a selector exactly as QComboBox::addItems does.
void TestVocabulary::filledSelectors()
{
    QFETCH(bool, madeAhead);
    if (madeAhead)
        EntriesAhead::make({{[] { return noteList(1); }, 1},
                            {[] { return controllerList(true); }, 2},
                            {gainList, 1},
                            {valueList127, 1},
                            {channelList, 2}});
    QComboBox notes;
    fillNoteList(&notes, 1);
    QCOMPARE(notes.count(), 128);
    QCOMPARE(notes.itemText(60), QStringLiteral("60 / C4"));
    QCOMPARE(notes.itemText(0), QStringLiteral("0 / C-1"));
    // Refilling under another naming replaces, never appends.
    fillNoteList(&notes, 2);
    QCOMPARE(notes.count(), 128);
    QCOMPARE(notes.itemText(60), QStringLiteral("60 / C3"));

    QComboBox controllers;
    fillControllerList(&controllers);
    QCOMPARE(controllers.count(), 128);
    QCOMPARE(controllers.itemText(7), QStringLiteral("7) Volume"));
    QCOMPARE(controllers.itemText(50), QStringLiteral("50) ***"));
    QCOMPARE(controllers.currentIndex(), 0);
    // Appends: callers clear first.
    fillControllerList(&controllers);
    QCOMPARE(controllers.count(), 256);

    QComboBox gain;
    QSignalSpy changes(&gain, qOverload<int>(&QComboBox::currentIndexChanged));
    fillNumberList(&gain, gainList(), kGainDefault);
    QCOMPARE(gain.currentText(), QStringLiteral("0"));
    QCOMPARE(gain.itemText(0), QStringLiteral("-50"));
    QCOMPARE(gain.itemText(100), QStringLiteral("50"));
    // The first entry arrives first, then the default: range checks rely on both changes.
    QCOMPARE(changes.count(), 2);
    QCOMPARE(changes.at(0).at(0).toInt(), 0);
    QCOMPARE(changes.at(1).at(0).toInt(), 50);

    QComboBox max;
    fillNumberList(&max, valueList127(), kMaxDefault);
    QCOMPARE(max.currentText(), QStringLiteral("127"));

    fillNoteList(nullptr, 1);
    fillControllerList(nullptr);
    fillNumberList(nullptr, channelList(), 0);

    if (madeAhead) {
        EntriesAhead::finish();
        QCOMPARE(EntriesAhead::tally().taken, 5);
        QCOMPARE(EntriesAhead::tally().missed, 0);
        QCOMPARE(EntriesAhead::tally().unused, 2); // the channel lists nobody took
    }
}

void TestVocabulary::sharedListsAreBuiltOnceAndStayIntact()
{
    QCOMPARE(levelList127(), levelList127());
    QCOMPARE(levelList16383(), levelList16383());
    QCOMPARE(valueList16383(), valueList16383());
    QVERIFY(levelList127() != levelList16383());
    QCOMPARE(levelList127()->rowCount(), 128);
    QCOMPARE(levelList16383()->rowCount(), 16384);
    QCOMPARE(valueList16383()->rowCount(), 16384);
    QCOMPARE(levelList16383()->index(16383).data().toString(), QStringLiteral("16383"));
    QCOMPARE(valueList16383()->index(0).data().toString(), QStringLiteral("0"));
    QCOMPARE(levelList127()->index(0).data().toString(), QStringLiteral("OFF"));
    QVERIFY(!levelList127()->index(128).data().isValid());
    // Spelt on demand, every entry as the list builder spells it.
    for (const auto &[model, largest, withOff] :
         {std::tuple{levelList127(), 127, true}, std::tuple{levelList16383(), 16383, true},
          std::tuple{valueList16383(), 16383, false}}) {
        const QStringList expected = makeNumberList(largest, withOff);
        for (int row = 0; row < expected.size(); ++row)
            QCOMPARE(model->index(row).data(Qt::EditRole).toString(), expected.at(row));
    }

    // One selector's clear() or addItem() must not empty or grow the list others show.
    QComboBox min, max;
    attachSharedList(&min, valueList16383(), kLongListChars);
    attachSharedList(&max, valueList16383(), kLongListChars);
    max.setCurrentIndex(16383);
    min.clear();
    min.addItem(QStringLiteral("stray"));
    min.setItemText(0, QStringLiteral("changed"));
    QCOMPARE(valueList16383()->rowCount(), 16384);
    QCOMPARE(valueList16383()->index(0).data().toString(), QStringLiteral("0"));
    QCOMPARE(max.count(), 16384);
    QCOMPARE(max.currentText(), QStringLiteral("16383"));
    QVERIFY(!(valueList16383()->flags(valueList16383()->index(0)) & Qt::ItemIsEditable));
}

void TestVocabulary::attachRules()
{
    // Off screen the selector builds no popup, which is most of what a selector costs while
    // the window is built; it gets its drop-down when first shown, for the list it holds then.
    QWidget window;
    QComboBox level(&window);
    QSignalSpy changes(&level, qOverload<int>(&QComboBox::currentIndexChanged));
    attachSharedList(&level, levelList16383(), kLongListChars);
    attachSharedList(&level, levelList127(), kShortListChars);
    QVERIFY(level.findChildren<QFrame *>().isEmpty());
    QCOMPARE(level.model(), levelList127());
    QCOMPARE(level.count(), 128);
    QCOMPARE(level.currentIndex(), 0);
    QCOMPARE(level.currentText(), QStringLiteral("OFF"));
    window.show();
    QCOMPARE(level.sizeAdjustPolicy(), QComboBox::AdjustToMinimumContentsLengthWithIcon);
    QCOMPARE(level.minimumContentsLength(), 3);
    QCOMPARE(level.maxVisibleItems(), 32);
    auto *view = qobject_cast<QListView *>(level.view());
    QVERIFY(view);
    QVERIFY(view->uniformItemSizes());

    // Already shown: not attached again, so the position survives and nothing fires.
    level.setCurrentIndex(100);
    changes.clear();
    attachSharedList(&level, levelList127(), kShortListChars);
    QCOMPARE(level.currentIndex(), 100);
    QCOMPARE(changes.count(), 0);

    attachSharedList(&level, levelList16383(), kLongListChars);
    QCOMPARE(level.model(), levelList16383());
    QCOMPARE(level.count(), 16384);
    QCOMPARE(level.currentIndex(), 0);
    QCOMPARE(level.minimumContentsLength(), 5);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toInt(), 0);

    // Hidden again, it follows each new list at once: its drop-down already exists.
    level.hide();
    attachSharedList(&level, levelList127(), kShortListChars);
    QCOMPARE(level.count(), 128);
    QCOMPARE(level.currentText(), QStringLiteral("OFF"));
    QCOMPARE(level.minimumContentsLength(), 3);
    level.show();

    // A plain drop-down, which honours the 32 entries; the style's pop-up form would ignore
    // them and measure all 16384 entries on every opening.
    QStyleOptionComboBox option;
    option.initFrom(&level);
    option.editable = false;
    QCOMPARE(level.style()->styleHint(QStyle::SH_ComboBox_Popup, &option, &level), 0);

    // The pop-up of a long list shows at most 32 entries around the current one.
    attachSharedList(&level, levelList16383(), kLongListChars);
    level.setCurrentIndex(8000);
    level.showPopup();
    QTRY_VERIFY(view->isVisible());
    const int firstShown = view->indexAt(QPoint(1, 1)).row();
    const int lastShown = view->indexAt(QPoint(1, view->viewport()->height() - 2)).row();
    QVERIFY2(firstShown >= 0 && lastShown >= firstShown,
             qPrintable(QStringLiteral("%1 .. %2").arg(firstShown).arg(lastShown)));
    QVERIFY2(lastShown - firstShown + 1 <= 32, qPrintable(QString::number(lastShown - firstShown)));
    QVERIFY(firstShown <= 8000 && 8000 <= lastShown);
    level.hidePopup();

    attachSharedList(nullptr, levelList127(), kShortListChars);
    attachSharedList(&level, nullptr, kShortListChars);
    QCOMPARE(level.model(), levelList16383());
}

QTEST_MAIN(TestVocabulary)
#include "tst_vocabulary.moc"
