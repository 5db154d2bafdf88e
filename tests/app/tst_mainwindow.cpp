// The window as a user first sees it: title, size limits, menus, fixed lists, hidden
// widgets, the controls that follow the port, and the half-width editor columns.
#include "app/customdialog.h"
#include "app/stylesheet.h"
#include "app/widget.h"
#include "common/pixmapahead.h"
#include "common/workahead.h"
#include "editor/entriesahead.h"
#include "link/serialport.h"
#include "monitor/monitortablemodel.h"
#include "promptscript.h"
#include "testdir.h"
#include "ui_widget.h"
#include "upgrade/upgrade_dialog.h"
#include "upgrade/upgrade_message_dialog.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmapCache>
#include <QPushButton>
#include <QTest>
#include <QThreadPool>

#include <atomic>

namespace {
QStringList actionTexts(const QList<QAction *> &actions)
{
    QStringList texts;
    for (QAction *a : actions)
        texts << a->text();
    return texts;
}

// The application's look for one test, taken off again however the test ends.
class ScopedAppStyleSheet
{
public:
    ScopedAppStyleSheet() { qApp->setStyleSheet(applicationStyleSheet()); }
    ~ScopedAppStyleSheet() { qApp->setStyleSheet(QString()); }
    ScopedAppStyleSheet(const ScopedAppStyleSheet &) = delete;
    ScopedAppStyleSheet &operator=(const ScopedAppStyleSheet &) = delete;
};

QStringList items(const QComboBox *box)
{
    QStringList t;
    for (int i = 0; i < box->count(); ++i)
        t << box->itemText(i);
    return t;
}

QStringList numbers(int first, int last)
{
    QStringList t;
    for (int i = first; i <= last; ++i)
        t << QString::number(i);
    return t;
}

QMenu *menuNamed(QMenuBar *bar, const QString &title)
{
    for (QAction *a : bar->actions())
        if (a->text() == title)
            return a->menu();
    return nullptr;
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PortCatalog::install(nullptr); }

    void startsDisconnectedWithFixedLists()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        Widget w;
        Ui::Widget *ui = w.form();

        QCOMPARE(w.windowTitle(), QString("Tredora V4.0.3"));
        QCOMPARE(w.minimumSize(), QSize(810, 480));

        QCOMPARE(ui->connectButton->text(), QString("Connect"));
        QVERIFY(ui->comboBox_ComDevices->isEnabled());
        for (QPushButton *b :
             {ui->openButton, ui->saveButton, ui->deleteButton, ui->checkButton, ui->checkButton_2,
              ui->setButton_6, ui->setButton_9, ui->setButton_7})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        for (QPushButton *b : {ui->pushButton, ui->pushButton_2, ui->pushButton_3})
            QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));

        QCOMPARE(ui->Pedal_Number->count(), 0);
        QCOMPARE(items(ui->Message_Number), numbers(1, 16));
        QCOMPARE(items(ui->Message_Number_2), numbers(1, 16));
        QCOMPARE(items(ui->Pedal_Type), QStringList({"Expression", "Switch", "Hi-Hat"}));
        QCOMPARE(items(ui->MIDI_Channel), numbers(1, 16));
        QCOMPARE(items(ui->comboBox_EPS_Gain), QStringList("OFF") + numbers(1, 100));
        QCOMPARE(items(ui->comboBox_HHS_TL), QStringList("OFF") + numbers(1, 127));
        QCOMPARE(items(ui->comboBox_SPS_mode),
                 QStringList({"Single", "Toggle", "Reset", "Increase", "Decrease"}));
        QCOMPARE(items(ui->comboBox_EPS_status),
                 QStringList({"CC", "NOTE", "Pitch Bend", "Channel Pressure"}));
        QCOMPARE(items(ui->comboBox_HHS_RN), numbers(0, 127));
        QCOMPARE(script.unexpected, 0);

        // Construction took every list made for it on the worker and made none twice.
        QVERIFY(EntriesAhead::tally().taken > 0);
        QCOMPARE(EntriesAhead::tally().missed, 0);
        QCOMPARE(EntriesAhead::tally().unused, 0);
        QVERIFY(SerialPort::firstListingReadAhead());
    }

    void menuBarHoldsExactlyTheEntries()
    {
        ScopedWorkingDir dir;
        Widget w;
        QMenuBar *bar = w.menuBar();
        QVERIFY(bar);
        QCOMPARE(bar->parentWidget(), w.form()->widget);
        QCOMPARE(actionTexts(bar->actions()), QStringList({"File", "Setting", "Help"}));
        QCOMPARE(actionTexts(menuNamed(bar, "File")->actions()),
                 QStringList({"Open File", "Save File", "Save File As", "Exit"}));
        QMenu *setting = menuNamed(bar, "Setting");
        QCOMPARE(actionTexts(setting->actions()),
                 QStringList(
                     {"MIDI Note=60 Name", "Show CC Name", "Factory Reset", "Firmware Upgrade"}));
        QMenu *naming = setting->actions().at(0)->menu();
        QCOMPARE(actionTexts(naming->actions()), QStringList({"C3", "C4", "C5"}));
        for (QAction *a : naming->actions()) {
            QVERIFY(a->isCheckable());
            QVERIFY(a->actionGroup() && a->actionGroup()->isExclusive());
        }
        QAction *showCC = setting->actions().at(1);
        QVERIFY(showCC->isCheckable());
        QVERIFY(showCC->isChecked()); // no settings file yet: default on

        QMenu *help = menuNamed(bar, "Help");
        QCOMPARE(actionTexts(help->actions()),
                 QStringList({"About", "User Manual", "Check for Update "}));
        QCOMPARE(actionTexts(help->actions().at(1)->menu()->actions()),
                 QStringList({"中文说明书", "English User Manual"}));
        QCOMPARE(bar->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(bar->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    }

    void hidesTheWidgetsNotInUse()
    {
        ScopedWorkingDir dir;
        Widget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::Widget *ui = w.form();
        for (QWidget *hidden : std::initializer_list<QWidget *>{
                 ui->widget_8, ui->widget_10, ui->groupBox_16, ui->expression_trigger_level,
                 ui->label_117, ui->expression_cc_comboBox_ql, ui->expression_note_comboBox_ql,
                 ui->expression_pitch_comboBox_ql, ui->expression_ch_comboBox_ql, ui->label_134,
                 ui->hat_cc_comboBox_ql, ui->hat_note_comboBox_ql, ui->label_Baud, ui->comboBox_5,
                 ui->Hi_hat_Setting, ui->label_84, ui->test, ui->General_settings_2})
            QVERIFY2(!hidden->isVisible() || hidden->height() == 0 || hidden->width() == 0,
                     qPrintable(hidden->objectName()));
        QCOMPARE(ui->comboBox_5->currentText(), QString("115200"));
    }

    void monitorTablesAreSetUp()
    {
        ScopedWorkingDir dir;
        Widget w;
        for (QTableView *table :
             {w.form()->tableView, w.form()->tableView_2, w.form()->tableView_3}) {
            auto *m = qobject_cast<MonitorTableModel *>(table->model());
            QVERIFY(m);
            QCOMPARE(m->parent(), &w);
            QCOMPARE(m->capacity(), 1000);
            QCOMPARE(m->columnCount(), 4);
            QStringList headers;
            for (int c = 0; c < 4; ++c)
                headers << m->headerData(c, Qt::Horizontal).toString();
            QCOMPARE(headers, QStringList({"STATUS", "DATA1", "DATA2", "CHAN"}));
            QVERIFY(table->horizontalHeader()->isHidden());
            QVERIFY(table->verticalHeader()->isHidden());
            QCOMPARE(table->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QVERIFY(!table->showGrid());
            QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
            QCOMPARE(table->styleSheet(), monitorTableStyle());
            QCOMPARE(table->horizontalHeader()->sectionResizeMode(0), QHeaderView::Stretch);
        }
    }

    void editorColumnsStayAtHalfWidth_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("minimum") << QSize(810, 480);
        QTest::newRow("designer size") << QSize(973, 795);
        QTest::newRow("wide") << QSize(1600, 900);
    }
    void editorColumnsStayAtHalfWidth()
    {
        QFETCH(QSize, size);
        ScopedWorkingDir dir;
        Widget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(size);
        Ui::Widget *ui = w.form();
        const auto half = [](QWidget *container, QLayout *layout) {
            const QMargins m = layout->contentsMargins();
            int s = layout->spacing();
            if (auto *g = qobject_cast<QGridLayout *>(layout))
                s = g->horizontalSpacing() >= 0 ? g->horizontalSpacing() : g->spacing();
            return qMax(0, container->width() - m.left() - m.right() - qMax(0, s)) / 2;
        };
        // Each page is laid out when shown; check the one on screen after each switch.
        ui->pedal_type_stack->setCurrentIndex(0);
        QTRY_COMPARE(ui->widget_20->width(), half(ui->widget_2, ui->horizontalLayout_41));
        ui->pedal_type_stack->setCurrentIndex(1);
        w.resize(size + QSize(1, 0));
        QTRY_COMPARE(ui->widget_19->width(), half(ui->widget_3, ui->horizontalLayout_68));
        ui->pedal_type_stack->setCurrentIndex(2);
        w.resize(size);
        QTRY_COMPARE(ui->widget_18->width(), half(ui->widget_6, ui->gridLayout_24));
        QVERIFY(w.maximumWidth() >= QWIDGETSIZE_MAX);
    }

    void selectorPopupsLookLikeTheirSelectors()
    {
        // Popups are built the first time they open; they must come out styled like the
        // selector and work as usual.
        ScopedWorkingDir dir;
        const ScopedAppStyleSheet look;
        {
            Widget w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QComboBox *selector = w.form()->pendal_type_comboBox0;
            QCOMPARE(selector->font().family(), QString("Arial"));
            QVERIFY(selector->font().bold());
            QCOMPARE(selector->font().pointSize(), 10);

            selector->showPopup();
            QAbstractItemView *list = selector->view();
            QTRY_VERIFY(list->isVisible());
            QCOMPARE(list->font(), selector->font());
            QCOMPARE(list->model()->rowCount(), selector->count());
            QCOMPARE(list->palette().color(QPalette::Base), QColor("#2A2A2A"));

            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
            QTRY_VERIFY(!list->isVisible());
            QCOMPARE(selector->currentIndex(), 1);
        }
    }

    void formPicturesComeDecodedAhead()
    {
        // Qt's loader finds what is cached under the key, so it never decodes the file again.
        const QString picture = QStringLiteral(":/IMG/label2.png");
        QPixmapCache::clear();
        PixmapAhead::decode({picture, QStringLiteral(":/IMG/no-such-picture.png")});
        PixmapAhead::cacheDecoded();
        QPixmap cached;
        QVERIFY(QPixmapCache::find(PixmapAhead::cacheKey(picture), &cached));
        QCOMPARE(cached.size(), QSize(200, 100));
        QCOMPARE(QPixmap(picture).cacheKey(), cached.cacheKey());
        QPixmapCache::clear();

        // Converted on the worker, each comes out as the pixmap Qt would have made itself.
        for (const QString &formPicture :
             {QStringLiteral(":/IMG/bd5.png"), QStringLiteral(":/IMG/label.png"), picture}) {
            PixmapAhead::decode({formPicture});
            PixmapAhead::cacheDecoded();
            QVERIFY(QPixmapCache::find(PixmapAhead::cacheKey(formPicture), &cached));
            const QImage ahead = cached.toImage();
            QPixmapCache::clear();
            const QImage own = QPixmap(formPicture).toImage();
            QCOMPARE(ahead.format(), own.format());
            QVERIFY2(ahead == own, qPrintable(formPicture));
            QPixmapCache::clear();
        }

        // While the form is built they are cached when a widget whose style sheet names one is
        // polished, before the style loads it; the rest when the form is done.
        PixmapAhead::decode({picture});
        {
            const PixmapAhead::CacheWhenNamed formPictures;
            QWidget plain;
            plain.ensurePolished();
            QVERIFY(!QPixmapCache::find(PixmapAhead::cacheKey(picture), &cached));
            QLabel named;
            named.setStyleSheet(QStringLiteral("image: url(%1);").arg(picture));
            named.ensurePolished();
            QVERIFY(QPixmapCache::find(PixmapAhead::cacheKey(picture), &cached));
            QCOMPARE(cached.size(), QSize(200, 100));
        }
        QPixmapCache::clear();
        PixmapAhead::decode({picture});
        {
            const PixmapAhead::CacheWhenNamed formPictures;
        }
        QVERIFY(QPixmapCache::find(PixmapAhead::cacheKey(picture), &cached));
        QPixmapCache::clear();
    }

    void startUpWorkRunsInOrderOnOnePoolThread()
    {
        // On a thread of Qt's global pool, Qt scales and converts pictures on that thread
        // instead of starting more threads beside the GUI thread.
        std::atomic<int> running{0};
        std::atomic<bool> overlapped{false}, outsidePool{false};
        QVector<int> order;
        for (int i = 0; i < 8; ++i)
            WorkAhead::post([&, i] {
                overlapped = overlapped || running.fetch_add(1) > 0;
                outsidePool = outsidePool ||
                              !QThreadPool::globalInstance()->contains(QThread::currentThread());
                order.append(i); // only ever one job at a time
                --running;
            });
        WorkAhead::run([] {}).wait();
        QCOMPARE(order, (QVector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        QVERIFY(!overlapped);
        QVERIFY(!outsidePool);
    }

    void dialogsAreStyledWhenOpened()
    {
        // The window's dialogs wait for their first opening to be polished; they must come out
        // as styled as if they had been polished with the window.
        ScopedWorkingDir dir;
        const ScopedAppStyleSheet look;
        {
            Widget w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCoreApplication::processEvents();
            QVERIFY(!w.aboutDialog()->testAttribute(Qt::WA_WState_Polished));
            const QList<QDialog *> dialogs = {w.aboutDialog(), w.upgradeDialog(),
                                              w.upgradeMessageDialog()};
            for (QDialog *dialog : dialogs) {
                dialog->show();
                QVERIFY(QTest::qWaitForWindowExposed(dialog));
                for (QWidget *part : dialog->findChildren<QWidget *>())
                    QVERIFY2(part->testAttribute(Qt::WA_WState_Polished),
                             qPrintable(dialog->metaObject()->className() + QLatin1Char(' ') +
                                        part->metaObject()->className()));
                dialog->hide();
            }
            // The About button's own style, and the window's font in the upgrade dialog.
            auto *ok = w.aboutDialog()->findChild<QPushButton *>();
            QVERIFY(ok);
            QCOMPARE(ok->font().pixelSize(), 14);
            QVERIFY(ok->width() > ok->fontMetrics().horizontalAdvance(ok->text()) + 40);
            for (QLabel *label : w.upgradeDialog()->findChildren<QLabel *>()) {
                QCOMPARE(label->font().family(), QString("Arial"));
                QVERIFY(label->font().bold());
            }
        }
    }

    void styleSheetKeepsItsRulesInOrder()
    {
        const QString sheet = applicationStyleSheet();
        const QStringList order = {"QWidget {",
                                   "QPushButton {",
                                   "QPushButton:hover",
                                   "QPushButton:pressed",
                                   "QLabel {",
                                   "QSlider::groove",
                                   "QGroupBox {",
                                   "QComboBox:focus",
                                   "#groupBox_5",
                                   "#widget_18",
                                   "#Switch_Pedal_Setting_2",
                                   "QMenu::item:selected",
                                   "QMenuBar::item:pressed"};
        int last = -1;
        for (const QString &rule : order) {
            const int at = sheet.indexOf(rule);
            QVERIFY2(at > last, qPrintable(rule));
            last = at;
        }
        QVERIFY(sheet.contains("#2A2A2A") && sheet.contains("#A68D44") &&
                sheet.contains("#FFD700"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
