// The File menu's configuration files on the real window: dialogs and boxes exactly as the
// user sees them, what reaches the disk, and what a load does to the editor.
#include "app/widget.h"
#include "configfile/configformat.h"
#include "promptscript.h"
#include "testdir.h"
#include "ui_widget.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRandomGenerator>
#include <QSettings>
#include <QSharedPointer>
#include <QTest>

namespace {

QAction *entry(Widget &w, const QString &menu, const QString &text)
{
    QList<QMenu *> menus;
    for (QAction *top : w.menuBar()->actions())
        if (top->text() == menu)
            menus << top->menu();
    while (!menus.isEmpty()) {
        for (QAction *a : menus.takeFirst()->actions()) {
            if (a->text() == text)
                return a;
            if (a->menu())
                menus << a->menu();
        }
    }
    qFatal("no menu entry %s", qPrintable(text));
    return nullptr;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList everyKey()
{
    QStringList keys;
    for (ConfigFile::Writer w : {ConfigFile::Writer::SaveAs, ConfigFile::Writer::Save})
        for (const auto &group : ConfigFile::writerKeys(w))
            for (const QString &key : group.keys)
                if (!keys.contains(key))
                    keys << key;
    return keys;
}

QMap<QString, int> positions(Widget &w)
{
    QMap<QString, int> map;
    for (const QString &key : everyKey()) {
        auto *selector = w.findChild<QComboBox *>(key);
        map.insert(key, selector ? selector->currentIndex() : -100);
    }
    return map;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestConfigWindow : public QObject
{
    Q_OBJECT

private slots:
    void saveAsThenLoadRestoresEditor()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        Widget w;
        Ui::Widget *ui = w.form();
        ui->Pedal_Number->addItems({"1", "2", "3"}); // as after a device's handshake
        ui->Pedal_Number->setCurrentIndex(2);
        ui->Message_Number->setCurrentIndex(5);
        ui->expression_comboBox0->setCurrentIndex(3); // Channel Pressure
        ui->expression_ch_comboBox_gain->setCurrentIndex(60);
        ui->expression_ch_comboBox_chl->setCurrentIndex(3);
        ui->expression_ch_comboBox_val1->setCurrentIndex(10);
        ui->expression_ch_comboBox_val2->setCurrentIndex(100);
        ui->expression_trigger_level->setCurrentIndex(5);
        ui->expression_press_note->setCurrentIndex(60);
        ui->expression_release_note->setCurrentIndex(61);
        ui->switch_comboBox0->setCurrentIndex(2); // NOTE
        ui->switch_note_comboBox_mode->setCurrentIndex(1);
        ui->switch_note_comboBox_nno->setCurrentIndex(64);
        ui->switch_note_comboBox_valmin->setCurrentIndex(5);
        ui->switch_note_comboBox_valmax->setCurrentIndex(90);
        ui->hat_comboBox0->setCurrentIndex(1);
        ui->hat_note_comboBox_ctl->setCurrentIndex(42);
        ui->hat_note_comboBox_valmax->setCurrentIndex(99);
        ui->ex_Evert_checkBox->setChecked(true);
        const QMap<QString, int> saved = positions(w);
        QVERIFY(!saved.values().contains(-100)); // every key names a selector of the window

        script.answerFile(dir.filePath("state"));
        script.answer(QMessageBox::Ok);
        entry(w, "File", "Save File As")->trigger();
        QCOMPARE(script.boxes.size(), 1);
        QCOMPARE(script.boxes[0].title, QString("Success"));
        QCOMPARE(script.boxes[0].text, QString("Configuration file saved successfully."));
        QCOMPARE(script.fileRequests[0].caption, QString("Save configuration"));
        QCOMPARE(script.fileRequests[0].filter, QString("configuration files (*.ini)"));
        QVERIFY(QFile::exists("state.ini"));

        // Elsewhere in the editor, then back.
        ui->expression_comboBox0->setCurrentIndex(0);
        ui->switch_comboBox0->setCurrentIndex(0);
        ui->switch_cc_comboBox_mode->setCurrentIndex(0);
        ui->hat_comboBox0->setCurrentIndex(0);
        ui->Pedal_Number->setCurrentIndex(0);
        ui->Message_Number_2->setCurrentIndex(7);
        script.answerFile(dir.filePath("state.ini"));
        entry(w, "File", "Open File")->trigger();
        QCOMPARE(script.fileRequests[1].kind, UserPrompt::FileDialogKind::Open);
        QCOMPARE(script.fileRequests[1].caption, QString("Load configuration"));
        QCOMPARE(script.fileRequests[1].filter, QString("configuration files (*.ini)"));

        QMap<QString, int> expected = saved;
        expected["Message_Number_2"] = 0;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QVERIFY2(positions(w).value(it.key()) == it.value(), qPrintable(it.key()));
        QCOMPARE(positions(w), expected);
        QVERIFY(ui->ex_Evert_checkBox->isChecked());
        QVERIFY(!ui->switch_note_comboBox_valmax->isHidden()); // "Toggle" shows Max
        QCOMPARE(script.unexpected, 0);
    }

    void saveWriterAndDialogs()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        Widget w;
        w.form()->Pedal_Number->addItems({"1", "2"});
        w.form()->Pedal_Number->setCurrentIndex(1);

        // Cancelled: warned, and the next "Save File" asks through the save-as path again.
        script.answerFile(QString());
        script.answer(QMessageBox::Ok);
        entry(w, "File", "Save File")->trigger();
        QCOMPARE(script.boxes.last().title, QString("Warning"));
        QCOMPARE(script.boxes.last().text, QString("No file selected!"));
        QCOMPARE(script.fileRequests.last().filter, QString("configuration files (*.ini)"));

        script.answerFile(dir.filePath("a.Ini"));
        script.answer(QMessageBox::Ok);
        entry(w, "File", "Save File")->trigger();
        QCOMPARE(script.boxes.last().title, QString("Success"));
        QVERIFY(QFile::exists("a.Ini"));

        script.answerFile(dir.filePath("a.Ini")); // same name: the older keys go
        entry(w, "File", "Save File")->trigger();
        QCOMPARE(script.fileRequests.last().caption, QString("Save configuration"));
        QCOMPARE(script.fileRequests.last().filter, QString("Configuration files (*.ini)"));
        QCOMPARE(script.boxes.size(), 2); // no success box for this writer
        {
            QSettings file(dir.filePath("a.Ini"), QSettings::IniFormat);
            QVERIFY(!file.contains("Expression/Pedal_Number"));
            QVERIFY(file.contains("Switch/Message_Number_2"));
        }
        script.answerFile(dir.filePath("a.Ini"));
        entry(w, "File", "Open File")->trigger();
        QCOMPARE(w.form()->Pedal_Number->currentIndex(), 0);

        script.answerFile(QString()); // open cancelled: nothing at all
        entry(w, "File", "Open File")->trigger();
        QCOMPARE(script.boxes.size(), 2);
        QCOMPARE(script.unexpected, 0);
    }

    void failedWriteIsReportedNotPraised()
    {
        // Root ignores permissions: a regular file where the folder should be stops the write.
        ScopedWorkingDir dir;
        PromptScript script;
        Widget w;
        writeFile("blocker", "x");
        for (const char *menuEntry : {"Save File As", "Save File"}) {
            script.answerFile(dir.filePath("blocker/state.ini"));
            script.answer(QMessageBox::Ok);
            entry(w, "File", menuEntry)->trigger();
            QCOMPARE(script.boxes.last().title, QString("Warning"));
            QVERIFY2(script.boxes.last().text.contains(dir.filePath("blocker/state.ini")),
                     qPrintable(script.boxes.last().text));
            QVERIFY(script.boxes.last().text.contains("not saved"));
        }
        QCOMPARE(script.boxes.size(), 2);
        QCOMPARE(script.unexpected, 0);
    }

    void loadKeepsRangesValidAndSurvivesBadFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not ini") << QByteArray("<html>no settings here</html>\n");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe[\x01=\x80\n]", 9);
        QTest::newRow("text values") << QByteArray(
            "[Expression]\nexpression_comboBox0=CC\nexpression_cc_comboBox"
            "_valmax=0x7F\n[Switch]\nswitch_comboBox0=Start\n[Hat]\nhat_comboBox0=\n");
        QByteArray noise(64 * 1024, '\0');
        QRandomGenerator random(20240611);
        for (char &byte : noise)
            byte = char(random.bounded(256));
        QTest::newRow("binary noise") << noise;
    }
    void loadKeepsRangesValidAndSurvivesBadFiles()
    {
        QFETCH(QByteArray, content);
        ScopedWorkingDir dir;
        PromptScript script;
        Widget w;
        writeFile("bad.ini", content);
        script.answerFile(dir.filePath("bad.ini"));
        entry(w, "File", "Open File")->trigger();
        for (const QString &key : everyKey()) {
            auto *selector = w.findChild<QComboBox *>(key);
            if (selector->count() > 0)
                QVERIFY2(selector->currentIndex() >= 0 &&
                             selector->currentIndex() < selector->count(),
                         qPrintable(key));
        }
        QCOMPARE(w.form()->expression_comboBox0->currentIndex(), 0);
        QCOMPARE(w.form()->expression_cc_comboBox_valmax->currentIndex(), 0);
        QCOMPARE(script.boxes.size(), 0);
        QCOMPARE(script.unexpected, 0);
    }

    void outOfListValuesAreSentAsFF()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        Widget w;
        // Channel, maximum and curve lie beyond their lists (one too big for any position),
        // the controller is no number and the gain is missing.
        writeFile("damaged.ini", "[Expression]\nexpression_comboBox0=0\n"
                                 "expression_cc_comboBox_chl=20\nexpression_cc_comboBox_ctl=ten\n"
                                 "expression_cc_comboBox_valmin=10\n"
                                 "expression_cc_comboBox_valmax=4294967297\n"
                                 "expression_cc_comboBox_ql=-3\n");
        w.form()->expression_cc_comboBox_gain->setCurrentIndex(70);
        w.form()->expression_cc_comboBox_ctl->setCurrentIndex(7);
        script.answerFile(dir.filePath("damaged.ini"));
        entry(w, "File", "Open File")->trigger();

        for (QComboBox *box :
             {w.form()->expression_cc_comboBox_chl, w.form()->expression_cc_comboBox_valmax,
              w.form()->expression_cc_comboBox_ql})
            QVERIFY2(box->currentIndex() == -1, qPrintable(box->objectName()));
        const QByteArray sent = w.buildConfiguration();
        QCOMPARE(sent.size(), 24);
        QByteArray picked;
        for (int index : {8, 9, 10, 11, 13, 14, 16, 20})
            picked += sent.at(index);
        // Expression, channel FF, CC, controller 0 (no number), min 10, max FF, gain 0 (missing),
        // curve FF.
        QCOMPARE(picked.toHex(' '), QByteArray("01 ff 00 00 0a ff 00 ff"));

        // Events and the message number beyond their lists: no event is sent, nothing breaks.
        writeFile("events.ini", "[Expression]\nMessage_Number=40\nexpression_comboBox0=9\n"
                                "expression_comboBox1=9\nexpression_comboBox2=9\n"
                                "expression_comboBox3=9\nexpression_trigger_level=900\n"
                                "[Switch]\nswitch_comboBox0=9\nswitch_comboBox1=9\n"
                                "switch_comboBox2=9\nswitch_comboBox3=9\nswitch_comboBox4=9\n"
                                "switch_comboBox5=9\n[Hat]\nhat_comboBox0=7\nhat_comboBox1=7\n");
        script.answerFile(dir.filePath("events.ini"));
        entry(w, "File", "Open File")->trigger();
        for (const char *type : {"Switch", "Hi-Hat", "Expression"}) {
            w.form()->pendal_type_comboBox0->setCurrentText(type);
            const QByteArray bytes = w.buildConfiguration();
            QVERIFY2(quint8(bytes.at(7)) == 0xFF && quint8(bytes.at(10)) == 0xFF,
                     qPrintable(QString(type) + ": " + bytes.toHex(' ')));
        }
        QCOMPARE(quint8(w.buildConfiguration().at(17)), quint8(0xFF)); // trigger level
        QCOMPARE(script.boxes.size(), 0);
        QCOMPARE(script.unexpected, 0);
    }

    void saveKeepsWhatElseTheFileHolds()
    {
        // The save dialog opens in the working folder, where the tool keeps its own settings.
        ScopedWorkingDir dir;
        PromptScript script;
        {
            Widget w;
            entry(w, "Setting", "C5")->trigger();
            entry(w, "Setting", "Show CC Name")->trigger(); // off
        }
        writeFile("other.ini", "[General]\nselectedMIDIName=C3\n[Notes]\nwho=me\n"
                               "list=\"a, b\", c\npath=C:\\\\pedals\\\\x.ini\n"
                               "[Expression]\nstale=1\nPedal_Number=2\n");
        const QByteArray settingsBefore = fileBytes("config.ini");
        QVERIFY(settingsBefore.contains("selectedMIDIName=C5"));
        QVERIFY(settingsBefore.contains("showCCNameEnabled=false"));

        Widget w;
        script.answerFile(dir.filePath("config")); // ".ini" comes after the dialog
        script.answer(QMessageBox::Ok);
        entry(w, "File", "Save File As")->trigger();
        script.answerFile(dir.filePath("config"));
        entry(w, "File", "Save File")->trigger();
        script.answerFile(dir.filePath("other.ini"));
        entry(w, "File", "Save File")->trigger();
        QCOMPARE(script.boxes.size(), 1);
        QCOMPARE(script.boxes[0].title, QString("Success"));

        // Read through copies: QSettings answers for a path it has cached, not from the disk.
        int copies = 0;
        const auto onDisk = [&](const QString &name) {
            const QString copy = dir.filePath(QStringLiteral("copy%1-%2").arg(++copies).arg(name));
            QFile::copy(dir.filePath(name), copy);
            return QSharedPointer<QSettings>::create(copy, QSettings::IniFormat);
        };
        for (const char *line : {"selectedMIDIName=C5", "showCCNameEnabled=false"})
            QVERIFY2(fileBytes("config.ini").contains(line), line);
        auto settingsFile = onDisk("config.ini");
        QCOMPARE(settingsFile->value("Expression/Message_Number").toString(), QString("0"));
        QVERIFY(!settingsFile->contains("Expression/Pedal_Number")); // "Save File" writer
        QVERIFY(settingsFile->contains("Switch/Message_Number_2"));

        auto other = onDisk("other.ini");
        QCOMPARE(other->value("selectedMIDIName").toString(), QString("C3"));
        QCOMPARE(other->value("Notes/who").toString(), QString("me"));
        QCOMPARE(other->value("Notes/list").toStringList(), QStringList({"a, b", "c"}));
        QCOMPARE(other->value("Notes/path").toString(), QString("C:\\pedals\\x.ini"));
        QVERIFY(!other->contains("Expression/stale"));
        QVERIFY(!other->contains("Expression/Pedal_Number"));
        QCOMPARE(other->value("Hat/hat_comboBox0").toString(), QString("0"));

        // The tool's next run still finds its settings, and keeps the groups when it writes.
        Widget again;
        QVERIFY(entry(again, "Setting", "C5")->isChecked());
        QVERIFY(!entry(again, "Setting", "Show CC Name")->isChecked());
        entry(again, "Setting", "Show CC Name")->trigger();
        QVERIFY(onDisk("config.ini")->contains("Hat/hat_comboBox0"));
        QCOMPARE(script.unexpected, 0);
    }

    void pairIsAppliedWithoutRangeWarning()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        Widget w;
        w.form()->expression_cc_comboBox_valmax->setCurrentIndex(50);
        writeFile("pair.ini", "[Expression]\nexpression_cc_comboBox_valmin=100\n"
                              "expression_cc_comboBox_valmax=120\n");
        script.answerFile(dir.filePath("pair.ini"));
        entry(w, "File", "Open File")->trigger();
        QCOMPARE(w.form()->expression_cc_comboBox_valmin->currentIndex(), 100);
        QCOMPARE(w.form()->expression_cc_comboBox_valmax->currentIndex(), 120);
        QCOMPARE(script.boxes.size(), 0);
    }
};

QTEST_MAIN(TestConfigWindow)
#include "tst_configwindow.moc"
