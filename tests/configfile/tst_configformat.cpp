// The file logic without a window: key tables, load order, the min/max rule, value parsing,
// and saving and loading against selectors kept in a map.
#include "configfile/configstore.h"
#include "testdir.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>
#include <QSettings>
#include <QTest>

namespace {

// Every selector holds 128 entries unless set otherwise; records the order of choices.
class FakeSelectors : public ConfigFile::SelectorAccess
{
public:
    FakeSelectors()
    {
        for (ConfigFile::Writer w : {ConfigFile::Writer::SaveAs, ConfigFile::Writer::Save})
            for (const auto &group : ConfigFile::writerKeys(w))
                for (const QString &key : group.keys)
                    counts.insert(key, 128);
    }
    int count(const QString &name) const override { return counts.value(name, -1); }
    int current(const QString &name) const override { return positions.value(name, 0); }
    void select(const QString &name, int position) override
    {
        positions[name] = position;
        order << name;
    }
    QMap<QString, int> counts, positions;
    QStringList order;
};

QSet<QString> allKeys(ConfigFile::Writer writer)
{
    QSet<QString> keys;
    for (const auto &group : ConfigFile::writerKeys(writer))
        for (const QString &key : group.keys)
            keys << key;
    return keys;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestConfigFormat : public QObject
{
    Q_OBJECT

private slots:
    void writersDifferInOneKeyEach()
    {
        using ConfigFile::Writer;
        const QSet<QString> saveAs = allKeys(Writer::SaveAs), save = allKeys(Writer::Save);
        QCOMPARE(saveAs - save, QSet<QString>{"Pedal_Number"});
        QCOMPARE(save - saveAs, QSet<QString>{"Message_Number_2"});
        QCOMPARE(saveAs.size(), 31 + 23 + 17);
        for (const char *unstored : {"switch_comboBox6", "switch_tempo_comboBox_mode",
                                     "pendal_type_comboBox0", "ex_Evert_checkBox"})
            QVERIFY2(!saveAs.contains(unstored) && !save.contains(unstored), unstored);
        QStringList groups;
        for (const auto &group : ConfigFile::writerKeys(Writer::Save))
            groups << group.group;
        QCOMPARE(groups, QStringList({"Expression", "Switch", "Hat"}));
    }

    void loadPlanReadsEveryKeyOnceAfterItsEvent()
    {
        QStringList read;
        for (const auto &step : ConfigFile::loadPlan()) {
            read << step.key;
            if (step.isPair())
                read << step.maxKey;
        }
        QCOMPARE(QSet<QString>(read.begin(), read.end()),
                 allKeys(ConfigFile::Writer::SaveAs) + allKeys(ConfigFile::Writer::Save));
        QCOMPARE(read.size(), 72);
        // Choosing an event resets the trigger group and the other pages.
        QVERIFY(read.indexOf("expression_trigger_level") > read.indexOf("expression_comboBox3"));
        QVERIFY(read.indexOf("hat_press_note") > read.indexOf("hat_comboBox1"));
        QVERIFY(read.indexOf("expression_note_comboBox_gain") >
                read.indexOf("expression_comboBox1"));
        QVERIFY(read.indexOf("switch_stop_comboBox_mode") > read.indexOf("switch_comboBox3"));
    }

    void iniSuffix_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("used");
        QTest::newRow("plain name gets .ini") << "/a/pedals"
                                              << "/a/pedals.ini";
        QTest::newRow("lower case kept") << "/a/p.ini"
                                         << "/a/p.ini";
        QTest::newRow("upper case kept") << "/a/p.INI"
                                         << "/a/p.INI";
        QTest::newRow("mixed case kept") << "/a/p.iNi"
                                         << "/a/p.iNi";
        QTest::newRow("other suffix extended") << "/a/p.txt"
                                               << "/a/p.txt.ini";
        QTest::newRow("ini without dot extended") << "/a/pini"
                                                  << "/a/pini.ini";
    }
    void iniSuffix()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, used);
        QCOMPARE(ConfigFile::withIniSuffix(chosen), used);
    }

    void storedValues_data()
    {
        // Numbers go to the selector as they are, those outside its list included: the
        // selector is then left without an entry. Only what is no number at all loads as 0.
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("position");
        QTest::newRow("plain") << QVariant("17") << 17;
        QTest::newRow("last entry") << QVariant("127") << 127;
        QTest::newRow("int from the settings cache") << QVariant(17) << 17;
        QTest::newRow("int beyond list") << QVariant(128) << 128;
        QTest::newRow("blanks") << QVariant(" 12 ") << 12;
        QTest::newRow("missing") << QVariant() << 0;
        QTest::newRow("beyond list") << QVariant("300") << 300;
        QTest::newRow("negative") << QVariant("-1") << -1;
        QTest::newRow("text") << QVariant("abc") << 0;
        QTest::newRow("empty") << QVariant("") << 0;
        QTest::newRow("hex") << QVariant("0x10") << 0;
        QTest::newRow("other type") << QVariant(17.0) << 0;
        QTest::newRow("list") << QVariant(QStringList{"1", "2"}) << 0;
        // QVariant::toInt wraps these into valid-looking positions (5, and 0).
        QTest::newRow("regression: too big wraps") << QVariant("4294967301") << -1;
        QTest::newRow("too big negative") << QVariant("-4294967296") << -1;
        QTest::newRow("too many digits") << QVariant("123456789012345678901234567890") << -1;
    }
    void storedValues()
    {
        QFETCH(QVariant, value);
        QFETCH(int, position);
        QCOMPARE(ConfigFile::positionFromValue(value), position);
    }

    void pairNeverPassesMinAboveMax()
    {
        ScopedWorkingDir dir;
        writeFile("pair.ini", "[Expression]\nexpression_cc_comboBox_valmin=100\n"
                              "expression_cc_comboBox_valmax=120\n"
                              "expression_note_comboBox_valmin=10\n"
                              "expression_note_comboBox_valmax=20\n");
        FakeSelectors selectors;
        selectors.positions["expression_cc_comboBox_valmax"] = 50;
        selectors.positions["expression_note_comboBox_valmax"] = 127;
        ConfigFile::load("pair.ini", selectors);
        const QStringList &order = selectors.order;
        QVERIFY(order.indexOf("expression_cc_comboBox_valmax") <
                order.indexOf("expression_cc_comboBox_valmin"));
        QVERIFY(order.indexOf("expression_note_comboBox_valmin") <
                order.indexOf("expression_note_comboBox_valmax"));
        QCOMPARE(selectors.positions["expression_cc_comboBox_valmin"], 100);
        QCOMPARE(selectors.positions["expression_cc_comboBox_valmax"], 120);
    }

    void unwritableTargetIsNotSaved_data()
    {
        // Permissions do not stop root, so the failures come from the file system's shape.
        QTest::addColumn<QString>("target");
        QTest::newRow("parent is a regular file") << "blocker/state.ini";
        QTest::newRow("target is a directory") << "taken.ini";
    }
    void unwritableTargetIsNotSaved()
    {
        QFETCH(QString, target);
        ScopedWorkingDir dir;
        writeFile("blocker", "x");
        QVERIFY(QDir().mkdir("taken.ini"));
        FakeSelectors selectors;
        QVERIFY(!ConfigFile::save(target, ConfigFile::Writer::SaveAs, selectors).saved);
        QVERIFY(!QFileInfo(target).isFile());
    }

    void savingKeepsOtherGroupsAndKeys()
    {
        ScopedWorkingDir dir;
        const QByteArray kept = "[General]\nselectedMIDIName=C5\nshowCCNameEnabled=false\n\n"
                                "[Mine]\nnote=\"a, b\"\npath=C:\\\\pedals\\\\x.ini\n";
        writeFile("mixed.ini", kept + "[Expression]\nPedal_Number=3\nold=1\n[Hat]\nold=2\n");
        QMap<QString, QVariant> before;
        {
            QSettings original(dir.filePath("mixed.ini"), QSettings::IniFormat);
            for (const QString &key : original.allKeys())
                if (!key.contains('/') || key.startsWith("Mine/"))
                    before.insert(key, original.value(key));
        }
        QCOMPARE(before.size(), 4);

        FakeSelectors selectors;
        selectors.positions["Message_Number"] = 4;
        QVERIFY(ConfigFile::save("mixed.ini", ConfigFile::Writer::Save, selectors).saved);

        QFile::copy("mixed.ini", "check.ini");
        QSettings check(dir.filePath("check.ini"), QSettings::IniFormat);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QVERIFY2(check.value(it.key()) == it.value(), qPrintable(it.key()));
        QFile saved("mixed.ini");
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray text = saved.readAll();
        for (const char *line : {"selectedMIDIName=C5\n", "showCCNameEnabled=false\n"})
            QVERIFY2(text.contains(line), line);
        // The three groups are the save's own, old keys of a group included.
        QCOMPARE(check.value("Expression/Message_Number").toString(), QString("4"));
        for (const char *gone : {"Expression/Pedal_Number", "Expression/old", "Hat/old"})
            QVERIFY2(!check.contains(gone), gone);
        QCOMPARE(check.childGroups(), QStringList({"Expression", "Hat", "Mine", "Switch"}));
    }

    void encodedValuesAreNeverDecoded_data()
    {
        // What QDataStream reads as a list of 2^32 - 1 entries: the tool aborted on it.
        const QByteArray stream = "\\0\\0\\0\\N10__cxxabiv120__si_class_type_inx2\\0\\0\\0\\x5)";
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("stored Qt value") << "@Variant(" + stream;
        QTest::newRow("spelled across quotes") << "\"@Var\"iant(" + stream;
        QTest::newRow("spelled with an escape") << "\\x40Variant(" + stream;
        QTest::newRow("in a list") << "1, @Variant(" + stream;
    }
    void encodedValuesAreNeverDecoded()
    {
        QFETCH(QByteArray, value);
        ScopedWorkingDir dir;
        const QByteArray text =
            "[Expression]\nMessage_Number=3\nexpression_cc_comboBox_gain=" + value +
            "\nexpression_cc_comboBox_chl=5\n";
        writeFile("crafted.ini", text);
        // The load reads a defused copy made in the temporary directory and removes it.
        const QByteArray tmpdir = qgetenv("TMPDIR");
        QVERIFY(QDir().mkdir("scratch"));
        qputenv("TMPDIR", QFile::encodeName(dir.filePath("scratch")));
        FakeSelectors selectors;
        ConfigFile::load("crafted.ini", selectors);
        qputenv("TMPDIR", tmpdir);
        QCOMPARE(QDir("scratch").entryList(QDir::NoDotAndDotDot | QDir::AllEntries), {});
        QCOMPARE(selectors.positions["Message_Number"], 3);
        QCOMPARE(selectors.positions["expression_cc_comboBox_gain"], 0);
        QCOMPARE(selectors.positions["expression_cc_comboBox_chl"], 5);
        // Keeping its other content would mean parsing it: the file stays as it was.
        QVERIFY(!ConfigFile::save("crafted.ini", ConfigFile::Writer::SaveAs, selectors).saved);
        QFile file("crafted.ini");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), text);
    }

    // Only a file that could spell a stored Qt value is left unsaved: an escaped backslash
    // before an 'x' or a digit spells none, a trailing backslash neither.
    void savingOverEscapes_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("saved");
        QTest::newRow("hex escape") << QByteArray("\\x41") << false;
        QTest::newRow("octal escape") << QByteArray("a\\101") << false;
        QTest::newRow("escaped backslash, then x") << QByteArray("\\\\x41") << true;
        QTest::newRow("escaped backslash, then escape") << QByteArray("\\\\\\x41") << false;
        QTest::newRow("trailing backslash") << QByteArray("1\\") << true;
        QTest::newRow("at sign, no value") << QByteArray("a@b \"@Variant\"") << true;
        QTest::newRow("value split by quotes") << QByteArray("\"@Var\"\"iant(\"") << false;
    }
    void savingOverEscapes()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, saved);
        ScopedWorkingDir dir;
        writeFile("state.ini", "[Mine]\nk=" + value + "\n");
        FakeSelectors selectors;
        QCOMPARE(ConfigFile::save("state.ini", ConfigFile::Writer::Save, selectors).saved, saved);
    }

    // The loader's defused copy and the fuzz entry's files count on it: QSettings keeps a file
    // it read in its process-wide cache, and does not read it again while its size and time
    // stay the same, unless it read as empty the last time, as a removed file does.
    void removedFileLeavesTheSettingsCache()
    {
        ScopedWorkingDir dir;
        const QString path = dir.filePath("cached.ini");
        const QDateTime time(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
        const auto write = [&](const QByteArray &text) {
            writeFile(path, text);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
        };
        const auto stored = [&] {
            return QSettings(path, QSettings::IniFormat).value("a/k").toString();
        };
        write("[a]\nk=1\n");
        QCOMPARE(stored(), QString("1"));
        write("[a]\nk=2\n");
        QCOMPARE(stored(), QString("1"));
        QVERIFY(QFile::remove(path));
        QCOMPARE(stored(), QString());
        write("[a]\nk=3\n");
        QCOMPARE(stored(), QString("3"));
    }

    void overwritingReplacesOldContent_data()
    {
        QTest::addColumn<QByteArray>("old");
        QTest::newRow("stale key of an earlier save")
            << QByteArray("[Expression]\nPedal_Number=3\n");
        QTest::newRow("binary file") << QByteArray("\x00\xff\x01[\n=\x80", 7);
    }
    void overwritingReplacesOldContent()
    {
        QFETCH(QByteArray, old);
        ScopedWorkingDir dir;
        writeFile("state.ini", old);
        FakeSelectors selectors;
        QVERIFY(ConfigFile::save("state.ini", ConfigFile::Writer::Save, selectors).saved);
        QSettings check(dir.filePath("state.ini"), QSettings::IniFormat);
        QVERIFY(!check.contains("Expression/Pedal_Number"));
        QCOMPARE(check.value("Switch/Message_Number_2").toString(), QString("0"));
    }
};

QTEST_GUILESS_MAIN(TestConfigFormat)
#include "tst_configformat.moc"
