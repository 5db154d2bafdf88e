// The Setting, Help and File entries that change the tool itself: note naming and controller
// names (and that they survive a restart), the manuals' addresses, and Exit.
#include "app/widget.h"
#include "link/serialport.h"
#include "promptscript.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "testdir.h"
#include "ui_widget.h"

#include <QAction>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

QAction *entry(Widget &w, const QString &text)
{
    QList<QMenu *> menus;
    for (QAction *top : w.menuBar()->actions())
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

QList<QComboBox *> noteSelectors(Ui::Widget *ui)
{
    return {ui->switch_note_comboBox_nno, ui->expression_note_comboBox_ctl,
            ui->hat_note_comboBox_ctl,    ui->expression_press_note,
            ui->expression_release_note,  ui->hat_press_note,
            ui->hat_release_note};
}

QList<QComboBox *> controllerSelectors(Ui::Widget *ui)
{
    return {ui->expression_cc_comboBox_ctl, ui->switch_cc_comboBox_ctl, ui->hat_cc_comboBox_ctl};
}

// Runs `step` inside the application's own event loop and tells whether it asked the loop
// to quit; QCoreApplication::exec() also clears that request again afterwards.
bool quitsApplication(const std::function<void()> &step)
{
    bool quitAsked = false;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        step();
        QEventLoop probe; // returns -1 at once while a quit is pending
        QTimer::singleShot(0, &probe, [&probe] { probe.exit(0); });
        quitAsked = probe.exec() == -1;
        QCoreApplication::exit(0);
    });
    QCoreApplication::exec();
    return quitAsked;
}

} // namespace

class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void record(const QUrl &url) { urls << url; }
};

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { PortCatalog::install(nullptr); }

    void firstRunWithoutSettingsFile()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        {
            Widget w;
            Ui::Widget *ui = w.form();
            for (const char *name : {"C3", "C4", "C5"})
                QVERIFY(!entry(w, name)->isChecked());
            QCOMPARE(w.noteNaming(), 2);
            for (QComboBox *selector : noteSelectors(ui))
                QCOMPARE(selector->itemText(60), QString("60 / C4"));
            QVERIFY(entry(w, "Show CC Name")->isChecked());
            QVERIFY(w.controllerNamesShown());
            for (QComboBox *selector : controllerSelectors(ui)) {
                QCOMPARE(selector->count(), 128);
                QCOMPARE(selector->itemText(0), QString("0) Bank MSB"));
                QCOMPARE(selector->itemText(127), QString("127) Poly On"));
                QCOMPARE(selector->currentIndex(), 0);
            }
        }
        QVERIFY2(!QFile::exists("config.ini"), "only a choice in the menu writes the file");
        QCOMPARE(script.unexpected, 0);
    }

    void namingSurvivesRestart_data()
    {
        QTest::addColumn<QString>("menuEntry");
        QTest::addColumn<int>("naming");
        QTest::newRow("C3 is naming 2") << "C3" << 2;
        QTest::newRow("C4 is naming 1") << "C4" << 1;
        QTest::newRow("C5 is naming 3") << "C5" << 3;
    }
    void namingSurvivesRestart()
    {
        QFETCH(QString, menuEntry);
        QFETCH(int, naming);
        const QString note60 = "60 / " + menuEntry;
        ScopedWorkingDir dir;
        PromptScript script;
        {
            Widget w;
            Ui::Widget *ui = w.form();
            ui->expression_note_comboBox_ctl->setCurrentIndex(60);
            ui->hat_release_note->setCurrentIndex(61);
            entry(w, menuEntry)->trigger();
            QCOMPARE(w.noteNaming(), naming);
            for (QComboBox *selector : noteSelectors(ui))
                QCOMPARE(selector->itemText(60), note60);
            QCOMPARE(ui->expression_note_comboBox_ctl->currentIndex(), 60);
            QCOMPARE(ui->expression_note_comboBox_ctl->currentText(), note60);
            QCOMPARE(ui->hat_release_note->currentIndex(), 61);
        }
        QCOMPARE(QSettings("config.ini", QSettings::IniFormat).value("selectedMIDIName").toString(),
                 menuEntry);
        Widget again;
        QVERIFY(entry(again, menuEntry)->isChecked());
        QCOMPARE(again.noteNaming(), naming);
        for (QComboBox *selector : noteSelectors(again.form()))
            QCOMPARE(selector->itemText(60), note60);
        QVERIFY(entry(again, "Show CC Name")->isChecked()); // the other key left alone
        QCOMPARE(script.unexpected, 0);
    }

    void unknownNamingIsIgnored()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        QSettings("config.ini", QSettings::IniFormat).setValue("selectedMIDIName", "C6");
        Widget w;
        for (const char *name : {"C3", "C4", "C5"})
            QVERIFY(!entry(w, name)->isChecked());
        QCOMPARE(w.noteNaming(), 2);
        QCOMPARE(w.form()->switch_note_comboBox_nno->itemText(60), QString("60 / C4"));
    }

    void controllerNamesSurviveRestart()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        {
            Widget w;
            for (QComboBox *selector : controllerSelectors(w.form()))
                selector->setCurrentIndex(7);
            entry(w, "Show CC Name")->trigger(); // unchecks
            QVERIFY(!w.controllerNamesShown());
            for (QComboBox *selector : controllerSelectors(w.form())) {
                QCOMPARE(selector->currentText(), QString("7"));
                QCOMPARE(selector->count(), 128);
            }
        }
        QCOMPARE(QSettings("config.ini", QSettings::IniFormat).value("showCCNameEnabled").toBool(),
                 false);
        Widget again;
        Ui::Widget *ui = again.form();
        QVERIFY(!entry(again, "Show CC Name")->isChecked());
        QVERIFY(!again.controllerNamesShown());
        QCOMPARE(ui->expression_cc_comboBox_ctl->itemText(7), QString("7"));
        QCOMPARE(ui->switch_cc_comboBox_ctl->itemText(7), QString("7"));
        QCOMPARE(ui->hat_cc_comboBox_ctl->itemText(7), QString("7) Volume"));

        ui->switch_cc_comboBox_ctl->setCurrentIndex(64);
        entry(again, "Show CC Name")->trigger(); // checks again
        QCOMPARE(ui->switch_cc_comboBox_ctl->currentText(), QString("64) Pedal (Sustain)"));
        QCOMPARE(QSettings("config.ini", QSettings::IniFormat).value("showCCNameEnabled").toBool(),
                 true);
        QCOMPARE(script.unexpected, 0);
    }

    void manualsOpenOnTheUpdateServer()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        UrlRecorder recorder;
        const QByteArray base(TREDORA_UPDATE_SERVER);
        const QString scheme = QUrl(QString::fromLatin1(base)).scheme();
        // Qt's handler API names the slot by string.
        QDesktopServices::setUrlHandler(scheme, &recorder, "record");
        Widget w;
        entry(w, "English User Manual")->trigger();
        entry(w, "中文说明书")->trigger();
        QDesktopServices::unsetUrlHandler(scheme);

        QCOMPARE(recorder.urls.size(), 2);
        QCOMPARE(recorder.urls[0].toEncoded(),
                 base + "/download/Product/Tredora/Tredora_Manual.pdf");
        QCOMPARE(recorder.urls[1].toEncoded(),
                 base + "/download/Product/Tredora/Tredora%E8%AF%B4%E6%98%8E%E4%B9%A6.pdf");
        QCOMPARE(script.unexpected, 0);
    }

    void exitAsksFirst()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal pedal("TRV-40", 2);
        EmulatedCatalog::installNew()->addPedal(&pedal);
        Widget w;
        Ui::Widget *ui = w.form();
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(ui->comboBox_ComDevices->findText(pedal.productName()) >= 0, 3000);
        ui->comboBox_ComDevices->setCurrentIndex(
            ui->comboBox_ComDevices->findText(pedal.productName()));
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        QVERIFY(w.port()->isOpen());

        script.answer(QMessageBox::Cancel);
        QVERIFY(!quitsApplication([&] { entry(w, "Exit")->trigger(); }));
        QCOMPARE(script.boxes.size(), 1);
        const SeenBox &box = script.boxes.first();
        QCOMPARE(box.title, QString("Exit"));
        QCOMPARE(box.text, QString("Exit software?"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons.size(), 2);
        QVERIFY(w.isVisible());
        QVERIFY(w.port()->isOpen());
        QCOMPARE(ui->connectButton->text(), QString("Disconnect"));

        script.answer(QMessageBox::Ok);
        QVERIFY(quitsApplication([&] { entry(w, "Exit")->trigger(); }));
        QCOMPARE(script.unexpected, 0);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
