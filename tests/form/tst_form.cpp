// Walks the main window's designer form on a plain widget: the object names every part of
// the window addresses, the texts, cells, stretch factors and sizes they rely on, and the
// two groups that must never show.
#include "ui_widget.h"

#include "testdir.h"

#include <QSet>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

struct Expected
{
    const char *className;
    const char *names; // separated by blanks
};

// Everything other code reaches by name, grouped by class.
const QList<Expected> &expectedObjects()
{
    static const QList<Expected> table = {
        {"QWidget", "widget scrollAreaWidgetContents widget_2 widget_3 widget_4 widget_5 widget_6 "
                    "widget_7 widget_8 widget_9 widget_10 widget_11 widget_12 widget_13 widget_14 "
                    "widget_18 widget_19 widget_20 page page_2 page_3 page_4 page_5 page_6 page_7 "
                    "page_8 page_9 page_10 page_11 page_12 page_13 page_14 page_15 page_16"},
        {"QScrollArea", "scrollArea"},
        {"QStackedWidget", "pedal_type_stack expression_stackedWidget switch_stackedWidget "
                           "hat_stackedWidget"},
        {"QGroupBox",
         "General_settings General_settings_2 Hi_hat_Setting Switch_Pedal_Setting "
         "Switch_Pedal_Setting_2 Switch_Pedal_Setting_3 groupBox_2 groupBox_5 groupBox_6 "
         "groupBox_7 groupBox_8 groupBox_9 groupBox_10 groupBox_11 groupBox_12 "
         "groupBox_13 groupBox_14 groupBox_15 groupBox_16 groupBox_18 groupBox_19"},
        {"QTableView", "tableView tableView_2 tableView_3"},
        {"QPushButton",
         "connectButton checkButton checkButton_2 setButton_6 setButton_7 setButton_9 "
         "pushButton pushButton_2 pushButton_3 clearButton clearButton_2 clearButton_3 "
         "deleteButton saveButton openButton"},
        {"QCheckBox",
         "ex_Evert_checkBox sw_Evert_checkBox ht_Evert_checkBox checkBox_ex checkBox_sw "
         "checkBox_ht test"},
        {"QLabel", "label label_2 label_4 label_12 label_14 label_25 label_26 label_27 label_44 "
                   "label_48 label_79 label_84 label_117 label_118 label_119 label_133 label_134 "
                   "label_135 label_136 label_148 label_153 label_158 label_Baud label_ico"},
        {"QComboBox",
         "comboBox_ComDevices comboBox_5 Pedal_Number Message_Number Pedal_Number_2 "
         "Message_Number_2 pendal_type_comboBox0 pendal_type_comboBox1 "
         "pendal_type_comboBox2 expression_comboBox0 expression_comboBox1 "
         "expression_comboBox2 expression_comboBox3 expression_cc_comboBox_chl "
         "expression_cc_comboBox_ctl expression_cc_comboBox_valmin "
         "expression_cc_comboBox_valmax expression_cc_comboBox_gain "
         "expression_cc_comboBox_ql expression_note_comboBox_chl "
         "expression_note_comboBox_ctl expression_note_comboBox_valmin "
         "expression_note_comboBox_valmax expression_note_comboBox_gain "
         "expression_note_comboBox_ql expression_pitch_comboBox_chl "
         "expression_pitch_comboBox_valmin expression_pitch_comboBox_valmax "
         "expression_pitch_comboBox_gain expression_pitch_comboBox_ql "
         "expression_ch_comboBox_chl expression_ch_comboBox_val1 "
         "expression_ch_comboBox_val2 expression_ch_comboBox_gain "
         "expression_ch_comboBox_ql expression_trigger_level expression_press_note "
         "expression_release_note switch_comboBox0 switch_comboBox1 switch_comboBox2 "
         "switch_comboBox3 switch_comboBox4 switch_comboBox5 switch_comboBox6 "
         "switch_cc_comboBox_chl switch_cc_comboBox_ctl switch_cc_comboBox_mode "
         "switch_cc_comboBox_valmin switch_cc_comboBox_valmax switch_note_comboBox_chl "
         "switch_note_comboBox_nno switch_note_comboBox_mode switch_note_comboBox_valmin "
         "switch_note_comboBox_valmax switch_pc_comboBox_chl switch_pc_comboBox_mode "
         "switch_pc_comboBox_valmin switch_pc_comboBox_valmax switch_stop_comboBox_mode "
         "switch_ctu_comboBox_mode switch_start_comboBox_mode switch_tempo_comboBox_mode "
         "hat_comboBox0 hat_comboBox1 hat_cc_comboBox_chl hat_cc_comboBox_ctl "
         "hat_cc_comboBox_valmin hat_cc_comboBox_valmax hat_cc_comboBox_gain "
         "hat_cc_comboBox_ql hat_note_comboBox_chl hat_note_comboBox_ctl "
         "hat_note_comboBox_valmin hat_note_comboBox_valmax hat_note_comboBox_gain "
         "hat_note_comboBox_ql hat_trigger_level hat_press_note hat_release_note "
         "Pedal_Type MIDI_Channel switch_status switch_mode comboBox comboBox_2 "
         "comboBox_3 comboBox_4 comboBox_SPS_status comboBox_SPS_mode comboBox_SPS_D1_1 "
         "comboBox_SPS_D1_2 comboBox_SPS_D2_1 comboBox_SPS_D2_2 comboBox_EPS_status "
         "comboBox_EPS_Gain comboBox_EPS_D1_1 comboBox_EPS_D1_2 comboBox_EPS_D2_1 "
         "comboBox_EPS_D2_2 comboBox_HHS_status comboBox_HHS_DATA1 comboBox_HHS_TL "
         "comboBox_HHS_PN comboBox_HHS_RN comboBox_HHS_Gain comboBox_HHS_D2_1 "
         "comboBox_HHS_D2_2"},
        {"QVBoxLayout", "verticalLayout_61 verticalLayout_49 verticalLayout_11 verticalLayout_48 "
                        "verticalLayout_46"},
        {"QHBoxLayout",
         "horizontalLayout horizontalLayout_17 horizontalLayout_41 horizontalLayout_68 "
         "horizontalLayout_6"},
        {"QGridLayout", "gridLayout_24"},
    };
    return table;
}

QStringList namesOf(const Expected &e)
{
    return QString::fromLatin1(e.names).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList expectedNamesOf(const char *className)
{
    for (const Expected &e : expectedObjects())
        if (qstrcmp(e.className, className) == 0)
            return namesOf(e);
    return {};
}

QString textOf(QObject *object)
{
    return object ? object->property("text").toString() : QStringLiteral("<missing>");
}

// Controls of exactly class T in the form whose names no other code expects.
template<typename T> QStringList unknownOf(QWidget *root)
{
    const QStringList known = expectedNamesOf(T::staticMetaObject.className());
    QStringList unknown;
    for (T *o : root->findChildren<T *>())
        if (qstrcmp(o->metaObject()->className(), T::staticMetaObject.className()) == 0 &&
            !known.contains(o->objectName()))
            unknown << o->objectName();
    return unknown;
}

QObject *objectIn(QLayoutItem *item)
{
    if (!item)
        return nullptr;
    if (item->widget())
        return item->widget();
    return item->layout();
}

// The grid layout anywhere in the form that holds `o` directly.
QGridLayout *gridHolding(QWidget *root, QObject *o)
{
    for (QGridLayout *g : root->findChildren<QGridLayout *>())
        for (int i = 0; i < g->count(); ++i)
            if (objectIn(g->itemAt(i)) == o)
                return g;
    return nullptr;
}

// Records which translation contexts retranslateUi asks for and marks the texts it gets.
class RecordingTranslator : public QTranslator
{
public:
    mutable QSet<QString> contexts;
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        contexts.insert(QString::fromLatin1(context));
        return QStringLiteral("[") + QString::fromUtf8(sourceText) + QStringLiteral("]");
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class FormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void objectNames_data();
    void objectNames();
    void noUnknownControls();
    void texts_data();
    void texts();
    void retranslateUsesWidgetContext();
    void sizesAndStyles_data();
    void sizesAndStyles();
    void rootFontAndPopupRule();
    void mainLayout();
    void pageSkeletons();
    void gridCells_data();
    void gridCells();
    void expressionCcRowThreeEmpty();
    void controlsLiveOnTheirPages();
    void selectorsStartEmpty();
    void baudSelector();
    void stackPages_data();
    void stackPages();
    void hostContainersAreBare();
    void hiddenGroupsNeverVisible_data();
    void hiddenGroupsNeverVisible();

private:
    void rebuild();

    ScopedWorkingDir workDir;
    std::unique_ptr<QWidget> root;
    Ui::Widget ui{};
};

// One form serves the read-only checks; the ones that show or resize it build their own.
void FormTest::initTestCase()
{
    rebuild();
}

void FormTest::cleanupTestCase()
{
    root.reset();
}

void FormTest::rebuild()
{
    root = std::make_unique<QWidget>();
    ui = Ui::Widget();
    ui.setupUi(root.get());
}

void FormTest::objectNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    for (const Expected &e : expectedObjects())
        for (const QString &name : namesOf(e))
            QTest::newRow(qPrintable(name)) << name << QString::fromLatin1(e.className);
}

void FormTest::objectNames()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    const QList<QObject *> found = root->findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
}

// A misspelt or stray selector would be a key no configuration file knows.
void FormTest::noUnknownControls()
{
    QCOMPARE(unknownOf<QComboBox>(root.get()), QStringList());
    QCOMPARE(unknownOf<QPushButton>(root.get()), QStringList());
    QCOMPARE(unknownOf<QCheckBox>(root.get()), QStringList());
    QCOMPARE(unknownOf<QGroupBox>(root.get()), QStringList());
    QCOMPARE(unknownOf<QStackedWidget>(root.get()), QStringList());
    QCOMPARE(unknownOf<QTableView>(root.get()), QStringList());
}

void FormTest::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("value");
    const auto row = [](const char *name, const char *property, const QString &value) {
        QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(name, property)))
            << QString::fromLatin1(name) << QString::fromLatin1(property) << value;
    };
    row("label_25", "text", QString());
    row("label_26", "text", QString());
    row("label_Baud", "text", "Baud");
    row("connectButton", "text", "Connect");
    row("label_27", "text", "Pedal Number");
    row("label", "text", "Message Number");
    row("checkButton", "text", "Check");
    row("label_4", "text", "Message Number");
    row("label_44", "text", "Pedal Number");
    row("checkButton_2", "text", "Check");
    row("label_84", "text", "TextLabel");
    row("label_ico", "text", QString());
    for (const char *name : {"label_2", "label_12", "label_14"})
        row(name, "text", "Pedal Type  ");
    for (const char *name : {"ex_Evert_checkBox", "sw_Evert_checkBox", "ht_Evert_checkBox"})
        row(name, "text", "Evert");
    for (const char *name : {"label_148", "label_153", "label_158"})
        row(name, "text", "Pedal MIDI Data");
    for (const char *name : {"checkBox_ex", "checkBox_sw", "checkBox_ht"})
        row(name, "text", "Show only current message number");
    row("test", "text", "test");
    for (const char *name : {"clearButton", "clearButton_2", "clearButton_3"})
        row(name, "text", "Clear");
    for (const char *name : {"setButton_6", "setButton_7", "setButton_9"})
        row(name, "text", "Set");
    for (const char *name : {"pushButton", "pushButton_2", "pushButton_3", "deleteButton"})
        row(name, "text", "Delete");
    row("saveButton", "text", "Save File");
    row("openButton", "text", "Open File");
    for (const char *name :
         {"label_117", "label_118", "label_119", "label_133", "label_134", "label_136"})
        row(name, "text", "Curve");
    for (const char *name : {"label_48", "label_79", "label_135"})
        row(name, "text", "Max");
    for (const char *name : {"General_settings", "Switch_Pedal_Setting", "Switch_Pedal_Setting_3",
                             "groupBox_2", "groupBox_16"})
        row(name, "title", QString());
}

void FormTest::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QString, value);
    QObject *o = root->findChild<QObject *>(name);
    QVERIFY(o);
    QCOMPARE(o->property(qPrintable(property)).toString(), value);
}

void FormTest::retranslateUsesWidgetContext()
{
    RecordingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    ui.retranslateUi(root.get());
    QCoreApplication::removeTranslator(&translator);
    // Installing a translator makes Qt itself ask for its layout direction.
    translator.contexts.remove(QStringLiteral("QGuiApplication"));
    QStringList contexts = translator.contexts.values();
    contexts.sort();
    QCOMPARE(contexts, QStringList{QStringLiteral("Widget")});
    QCOMPARE(ui.label_2->text(), QStringLiteral("[Pedal Type  ]"));
    QCOMPARE(ui.connectButton->text(), QStringLiteral("[Connect]"));
    // Back to the source texts once no translator is installed.
    ui.retranslateUi(root.get());
    QCOMPARE(ui.label_2->text(), QStringLiteral("Pedal Type  "));
}

void FormTest::sizesAndStyles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum"); // -1 in a dimension: not checked
    QTest::addColumn<QString>("styleSheet");
    const QSize any(-1, -1);
    QTest::newRow("root") << "Widget" << QSize(610, 20) << any << QString();
    QTest::newRow("port list 210 wide")
        << "comboBox_ComDevices" << QSize(210, 0) << any << QString();
    QTest::newRow("baud 100 wide") << "comboBox_5" << QSize(100, 0) << any << QString();
    QTest::newRow("connect 100 to 125")
        << "connectButton" << QSize(100, 0) << QSize(125, -1) << QString();
    QTest::newRow("general 280 to 400")
        << "General_settings" << QSize(280, 60) << QSize(400, -1) << QString();
    QTest::newRow("check 100 to 125")
        << "checkButton" << QSize(100, 0) << QSize(125, -1) << QString();
    QTest::newRow("pedal number height") << "Pedal_Number" << QSize(0, 20) << any << QString();
    QTest::newRow("message number height") << "Message_Number" << QSize(0, 20) << any << QString();
    QTest::newRow("second general row 0x0")
        << "General_settings_2" << QSize(0, 0) << QSize(0, 0)
        << "background-color: rgb(191, 191, 191);\nborder-radius: 20px;";
    QTest::newRow("hidden group height 0")
        << "Hi_hat_Setting" << QSize(0, 0) << QSize(-1, 0) << QString();
    QTest::newRow("logo exactly 110")
        << "label_ico" << QSize(110, 0) << QSize(110, -1) << "image: url(:/IMG/label.png);";
    for (const char *name : {"widget_13", "widget_14"})
        QTest::newRow(name) << name << QSize(180, 180) << any
                            << "border-image: url(:/IMG/bd5.png);";
    for (const char *name : {"widget_8", "widget_10"})
        QTest::newRow(name) << name << QSize(318, 230) << any << QString();
    const QString tableStyle = "gridline-color:#C07010;\n"
                               "alternate-background-color: rgb(200, 200, 200);\n"
                               "selection-background-color: rgb(130, 190, 100);";
    for (const char *name : {"tableView", "tableView_2", "tableView_3"})
        QTest::newRow(name) << name << QSize(285, 0) << any << tableStyle;
    for (const char *name :
         {"pendal_type_comboBox0", "pendal_type_comboBox1", "pendal_type_comboBox2"})
        QTest::newRow(name) << name << QSize(190, 0) << any << QString();
    QTest::newRow("label_2 93 wide") << "label_2" << QSize(93, 0) << any << QString();
    QTest::newRow("label_12 93 wide") << "label_12" << QSize(93, 0) << any << QString();
    QTest::newRow("hat stack 380") << "hat_stackedWidget" << QSize(380, 0) << any << QString();
    QTest::newRow("expression trigger group 100")
        << "groupBox_2" << QSize(100, 0) << any << QString();
    QTest::newRow("expression set height 24") << "setButton_6" << QSize(0, 24) << any << QString();
    QTest::newRow("expression event 185x20")
        << "expression_comboBox0" << QSize(185, 20) << any << QString();
    QTest::newRow("switch event 185x22")
        << "switch_comboBox0" << QSize(185, 22) << any << QString();
    QTest::newRow("switch mode 135x22")
        << "switch_cc_comboBox_mode" << QSize(135, 22) << any << QString();
    QTest::newRow("expression min 130 to 132")
        << "expression_cc_comboBox_valmin" << QSize(130, 0) << QSize(132, -1) << QString();
}

void FormTest::sizesAndStyles()
{
    QFETCH(QString, name);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    QFETCH(QString, styleSheet);
    QWidget *w = name == "Widget" ? root.get() : root->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->minimumSize(), minimum);
    if (maximum.width() >= 0)
        QCOMPARE(w->maximumWidth(), maximum.width());
    if (maximum.height() >= 0)
        QCOMPARE(w->maximumHeight(), maximum.height());
    if (!styleSheet.isEmpty())
        QCOMPARE(w->styleSheet(), styleSheet);
}

void FormTest::rootFontAndPopupRule()
{
    rebuild();
    QCOMPARE(root->size(), QSize(973, 795));
    QVERIFY(root->styleSheet().contains("QComboBox QFrame{max-height:200px;}"));

    // A style sheet Qt cannot parse is dropped silently apart from a warning.
    static QStringList parseWarnings;
    parseWarnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &msg) {
            if (msg.contains("Could not parse"))
                parseWarnings << msg;
        });
    root->show();
    QVERIFY(QTest::qWaitForWindowExposed(root.get()));
    for (QWidget *w : root->findChildren<QWidget *>())
        w->ensurePolished();
    qInstallMessageHandler(previous);
    QCOMPARE(parseWarnings, QStringList());

    // Bold 10pt Arial reaches the deepest labels, not only the root.
    for (QWidget *w :
         {root.get(), static_cast<QWidget *>(ui.label_2), static_cast<QWidget *>(ui.label_117),
          static_cast<QWidget *>(ui.setButton_9)}) {
        QCOMPARE(w->font().weight(), 75);
        QCOMPARE(w->font().pointSize(), 10);
        QCOMPARE(w->font().family(), QStringLiteral("Arial"));
    }
}

void FormTest::mainLayout()
{
    QCOMPARE(ui.verticalLayout_61->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(ui.verticalLayout_61->count(), 1);
    QCOMPARE(ui.verticalLayout_61->itemAt(0)->widget(), ui.scrollArea);
    QCOMPARE(ui.scrollArea->frameShape(), QFrame::NoFrame);
    QVERIFY(ui.scrollArea->widgetResizable());
    QCOMPARE(ui.scrollArea->widget(), ui.scrollAreaWidgetContents);

    QVBoxLayout *rows = ui.verticalLayout_49;
    QCOMPARE(ui.scrollAreaWidgetContents->layout(), rows);
    QCOMPARE(rows->count(), 5);
    QCOMPARE(objectIn(rows->itemAt(0)), ui.widget);
    QCOMPARE(objectIn(rows->itemAt(1)), ui.horizontalLayout);
    QCOMPARE(objectIn(rows->itemAt(2)), ui.horizontalLayout_17);
    QCOMPARE(objectIn(rows->itemAt(3)), ui.pedal_type_stack);
    QCOMPARE(objectIn(rows->itemAt(4)), ui.Hi_hat_Setting);
    const QList<int> stretch = {1, 1, 2, 24, 1};
    for (int i = 0; i < stretch.size(); ++i)
        QCOMPARE(rows->stretch(i), stretch.at(i));
    const QMargins m = rows->contentsMargins();
    QCOMPARE(m.left(), 9);
    QCOMPARE(m.top(), 9);
    QCOMPARE(m.bottom(), 9);

    QHBoxLayout *connection = ui.horizontalLayout;
    QCOMPARE(connection->spacing(), 10);
    const QList<QObject *> order = {ui.label_25,   ui.comboBox_ComDevices,
                                    ui.label_Baud, ui.comboBox_5,
                                    ui.label_26,   ui.connectButton};
    QCOMPARE(connection->count(), order.size() + 1);
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(objectIn(connection->itemAt(i)), order.at(i));
    QVERIFY(connection->itemAt(order.size())->spacerItem());

    // General row: the group first, the two labels last, the logo at the very end.
    QHBoxLayout *general = ui.horizontalLayout_17;
    QCOMPARE(objectIn(general->itemAt(0)), ui.General_settings);
    QCOMPARE(objectIn(general->itemAt(general->count() - 2)), ui.label_84);
    QCOMPARE(objectIn(general->itemAt(general->count() - 1)), ui.label_ico);
    auto *inner = qobject_cast<QHBoxLayout *>(ui.General_settings->layout());
    QVERIFY(inner);
    QCOMPARE(inner->spacing(), 6);
    QCOMPARE(inner->contentsMargins(), QMargins(9, 3, 6, 3));
    QCOMPARE(inner->count(), 4);
    QCOMPARE(objectIn(inner->itemAt(2)), ui.checkButton);
    QCOMPARE(objectIn(inner->itemAt(3)), ui.General_settings_2);
    // Each column: its label above its selector.
    for (auto pair : {qMakePair<QWidget *, QWidget *>(ui.label_27, ui.Pedal_Number),
                      qMakePair<QWidget *, QWidget *>(ui.label, ui.Message_Number),
                      qMakePair<QWidget *, QWidget *>(ui.label_4, ui.Message_Number_2),
                      qMakePair<QWidget *, QWidget *>(ui.label_44, ui.Pedal_Number_2)}) {
        bool found = false;
        for (QVBoxLayout *c : pair.first->parentWidget()->findChildren<QVBoxLayout *>()) {
            const int above = c->indexOf(pair.first);
            if (above >= 0) {
                QCOMPARE(c->indexOf(pair.second), above + 1);
                found = true;
            }
        }
        QVERIFY2(found, qPrintable(pair.first->objectName()));
    }
}

void FormTest::pageSkeletons()
{
    QHBoxLayout *ex = ui.horizontalLayout_41;
    QCOMPARE(ui.widget_2->layout(), ex);
    QCOMPARE(ex->spacing(), 8);
    QCOMPARE(ex->contentsMargins().top(), 8);
    QCOMPARE(ex->contentsMargins().bottom(), 8);
    QCOMPARE(ex->count(), 2);
    QCOMPARE(objectIn(ex->itemAt(0)), ui.widget_20);
    QCOMPARE(objectIn(ex->itemAt(1)), ui.verticalLayout_11);
    QCOMPARE(ex->stretch(0), 1);
    QCOMPARE(ex->stretch(1), 1);
    QVERIFY(ui.page_3->isAncestorOf(ui.widget_2));

    QHBoxLayout *sw = ui.horizontalLayout_68;
    QCOMPARE(ui.widget_3->layout(), sw);
    QCOMPARE(sw->count(), 2);
    QCOMPARE(objectIn(sw->itemAt(0)), ui.widget_19);
    QCOMPARE(objectIn(sw->itemAt(1)), ui.verticalLayout_48);
    QCOMPARE(sw->stretch(0), 1);
    QCOMPARE(sw->stretch(1), 1);
    QVERIFY(ui.page_4->isAncestorOf(ui.widget_3));

    QGridLayout *ht = ui.gridLayout_24;
    QCOMPARE(ui.widget_6->layout(), ht);
    QCOMPARE(objectIn(ht->itemAtPosition(0, 0)), ui.widget_18);
    QCOMPARE(objectIn(ht->itemAtPosition(0, 1)), ui.verticalLayout_46);
    QVERIFY(ui.page->isAncestorOf(ui.widget_6));

    // The Expression pedal-type row sits in the monitor column and carries the type selector
    // and the Evert box.
    QCOMPARE(objectIn(ui.verticalLayout_11->itemAt(0)), ui.horizontalLayout_6);
    QCOMPARE(ui.horizontalLayout_6->stretch(0), 4);
    QCOMPARE(ui.horizontalLayout_6->stretch(1), 1);
    QCOMPARE(objectIn(ui.horizontalLayout_6->itemAt(1)), ui.ex_Evert_checkBox);
    QVERIFY(ui.horizontalLayout_6->findChildren<QLayout *>().size() == 1);
    QVERIFY(ui.horizontalLayout_6->findChildren<QLayout *>().first()->indexOf(
                ui.pendal_type_comboBox0) >= 0);

    // Picture, table header, table: no spacing, stretch 3 : 1 : 5.
    const QList<QList<QWidget *>> columns = {{ui.widget_4, ui.widget_9, ui.tableView},
                                             {ui.widget_5, ui.widget_11, ui.tableView_2},
                                             {ui.widget_7, ui.widget_12, ui.tableView_3}};
    for (const auto &col : columns) {
        QVBoxLayout *layout = nullptr;
        for (QVBoxLayout *l : root->findChildren<QVBoxLayout *>())
            if (l->indexOf(col.at(0)) >= 0)
                layout = l;
        QVERIFY(layout);
        QCOMPARE(layout->spacing(), 0);
        QCOMPARE(layout->count(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(objectIn(layout->itemAt(i)), col.at(i));
            QCOMPARE(layout->stretch(i), QList<int>({3, 1, 5}).at(i));
        }
    }
    QCOMPARE(ui.checkBox_ex->layoutDirection(), Qt::RightToLeft);
    QCOMPARE(ui.checkBox_sw->layoutDirection(), Qt::RightToLeft);
    QCOMPARE(ui.checkBox_ht->layoutDirection(), Qt::RightToLeft);
}

void FormTest::gridCells_data()
{
    QTest::addColumn<QString>("anchor"); // any object of the grid under test
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("rowSpan");
    QTest::addColumn<int>("columnSpan");
    QTest::addColumn<QString>("name"); // empty: not checked
    QTest::addColumn<QString>("text"); // null: not checked

    const QString any;
    const auto cell = [&](const char *tag, const char *anchor, int r, int c, const QString &name,
                          const QString &text, int rs = 1, int cs = 1) {
        QTest::newRow(tag) << QString::fromLatin1(anchor) << r << c << rs << cs << name << text;
    };
    // Expression CC: Gain and Curve two rows down, below an empty row 3.
    const char *cc = "expression_cc_comboBox_valmin";
    cell("ex cc controller label", cc, 0, 0, any, "Controller No.");
    cell("ex cc controller", cc, 1, 0, "expression_cc_comboBox_ctl", any);
    cell("ex cc value range", cc, 0, 2, any, "Value Range    ", 1, 2);
    cell("ex cc min label", cc, 1, 2, any, "Min ");
    cell("ex cc min", cc, 1, 3, "expression_cc_comboBox_valmin", any);
    cell("ex cc max label", cc, 2, 2, any, "Max ");
    cell("ex cc max", cc, 2, 3, "expression_cc_comboBox_valmax", any);
    cell("ex cc gain label row 4", cc, 4, 2, any, "Gain ");
    cell("ex cc gain row 4", cc, 4, 3, "expression_cc_comboBox_gain", any);
    cell("ex cc curve label row 5", cc, 5, 2, "label_117", "Curve");
    cell("ex cc curve row 5", cc, 5, 3, "expression_cc_comboBox_ql", any);
    // Every other page: Gain in row 3.
    const char *note = "expression_note_comboBox_valmin";
    cell("ex note note label", note, 0, 0, any, "Note No.");
    cell("ex note note", note, 1, 0, "expression_note_comboBox_ctl", any);
    cell("ex note gain label row 3", note, 3, 2, any, "Gain ");
    cell("ex note gain row 3", note, 3, 3, "expression_note_comboBox_gain", any);
    cell("ex note curve row 4", note, 4, 2, "label_118", "Curve");
    const char *pitch = "expression_pitch_comboBox_valmin";
    cell("ex pitch no controller label", pitch, 0, 0, any, "");
    cell("ex pitch no controller", pitch, 1, 0, any, "");
    cell("ex pitch gain row 3", pitch, 3, 3, "expression_pitch_comboBox_gain", any);
    cell("ex pitch curve row 4", pitch, 4, 2, "label_119", "Curve");
    const char *ch = "expression_ch_comboBox_val1";
    cell("ex ch min", ch, 1, 3, "expression_ch_comboBox_val1", any);
    cell("ex ch max", ch, 2, 3, "expression_ch_comboBox_val2", any);
    cell("ex ch gain row 3", ch, 3, 3, "expression_ch_comboBox_gain", any);
    cell("ex ch curve row 4", ch, 4, 2, "label_133", "Curve");
    cell("hat cc gain row 3", "hat_cc_comboBox_valmin", 3, 3, "hat_cc_comboBox_gain", any);
    cell("hat cc curve row 4", "hat_cc_comboBox_valmin", 4, 2, "label_134", "Curve");
    cell("hat note gain row 3", "hat_note_comboBox_valmin", 3, 3, "hat_note_comboBox_gain", any);
    cell("hat note curve row 4", "hat_note_comboBox_valmin", 4, 2, "label_136", "Curve");
    // Grid A of a page.
    cell("ex event label", "expression_comboBox0", 0, 0, any, "Event");
    cell("ex event", "expression_comboBox0", 1, 0, "expression_comboBox0", any);
    cell("ex channel label", "expression_comboBox0", 0, 2, any, "MIDI Channel");
    cell("ex channel", "expression_comboBox0", 1, 2, "expression_cc_comboBox_chl", any);
    // Curve area.
    cell("curve value label", "widget_13", 0, 1, any, " Value");
    cell("curve 127", "widget_13", 1, 0, any, "127");
    cell("curve plot", "widget_13", 1, 1, "widget_13", any, 2, 2);
    cell("curve position", "widget_13", 2, 3, any, "Position");
    cell("curve 0", "widget_13", 3, 1, any, "0");
    cell("curve 100%", "widget_13", 3, 2, any, "                      100%", 1, 2);
    cell("hat curve plot", "widget_14", 1, 1, "widget_14", any, 2, 2);
    // Trigger groups.
    const char *trig = "expression_trigger_level";
    cell("trigger level label", trig, 0, 0, any, "Trigger Level");
    cell("trigger level", trig, 1, 0, "expression_trigger_level", any);
    cell("press label", trig, 2, 0, any, "Press Note");
    cell("release label", trig, 2, 1, any, "Release Note");
    cell("press", trig, 3, 0, "expression_press_note", any);
    cell("release", trig, 3, 1, "expression_release_note", any);
    cell("hat press", "hat_trigger_level", 3, 0, "hat_press_note", any);
    cell("hat release", "hat_trigger_level", 3, 1, "hat_release_note", any);
    // Switch Min above Max.
    cell("sw cc min label", "switch_cc_comboBox_valmin", 0, 0, any, "Min");
    cell("sw cc min", "switch_cc_comboBox_valmin", 0, 1, "switch_cc_comboBox_valmin", any);
    cell("sw cc max label", "switch_cc_comboBox_valmin", 1, 0, "label_48", "Max");
    cell("sw cc max", "switch_cc_comboBox_valmin", 1, 1, "switch_cc_comboBox_valmax", any);
    cell("sw note max label", "switch_note_comboBox_valmin", 1, 0, "label_79", "Max");
    cell("sw pc max label", "switch_pc_comboBox_valmin", 1, 0, "label_135", "Max");
    cell("sw pc max", "switch_pc_comboBox_valmin", 1, 1, "switch_pc_comboBox_valmax", any);
}

void FormTest::gridCells()
{
    QFETCH(QString, anchor);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, rowSpan);
    QFETCH(int, columnSpan);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QObject *anchorObject = root->findChild<QObject *>(anchor);
    QVERIFY(anchorObject);
    QGridLayout *grid = gridHolding(root.get(), anchorObject);
    QVERIFY(grid);
    QLayoutItem *item = grid->itemAtPosition(row, column);
    QVERIFY(item);
    int r = -1, c = -1, rs = -1, cs = -1;
    grid->getItemPosition(grid->indexOf(item), &r, &c, &rs, &cs);
    QCOMPARE(QList<int>({r, c, rs, cs}), QList<int>({row, column, rowSpan, columnSpan}));
    QObject *o = objectIn(item);
    QVERIFY(o);
    if (!name.isEmpty())
        QCOMPARE(o->objectName(), name);
    if (!text.isNull()) {
        QVERIFY2(qobject_cast<QLabel *>(o), "expected a label");
        QCOMPARE(textOf(o), text);
    }
}

void FormTest::expressionCcRowThreeEmpty()
{
    QGridLayout *grid = gridHolding(root.get(), ui.expression_cc_comboBox_gain);
    QVERIFY(grid);
    for (int c = 0; c < grid->columnCount(); ++c)
        QVERIFY2(!grid->itemAtPosition(3, c), qPrintable(QString::number(c)));
    // The NOTE page uses row 3 for Gain instead.
    QGridLayout *noteGrid = gridHolding(root.get(), ui.expression_note_comboBox_gain);
    QVERIFY(noteGrid);
    QCOMPARE(objectIn(noteGrid->itemAtPosition(3, 3)), ui.expression_note_comboBox_gain);
}

// Selectors are found on the page of their pedal type and event: page switching relies on it.
void FormTest::controlsLiveOnTheirPages()
{
    const QList<QPair<QString, QWidget *>> prefixes = {
        {"expression_cc_", ui.page_7},    {"expression_note_", ui.page_6},
        {"expression_pitch_", ui.page_5}, {"expression_ch_", ui.page_8},
        {"expression_", ui.page_3},       {"switch_cc_", ui.page_9},
        {"switch_note_", ui.page_10},     {"switch_pc_", ui.page_11},
        {"switch_stop_", ui.page_2},      {"switch_ctu_", ui.page_14},
        {"switch_start_", ui.page_15},    {"switch_tempo_", ui.page_16},
        {"switch_", ui.page_4},           {"hat_cc_", ui.page_12},
        {"hat_note_", ui.page_13},        {"hat_", ui.page}};
    int placed = 0;
    for (QComboBox *box : root->findChildren<QComboBox *>()) {
        const QString name = box->objectName();
        if (name == "switch_status" || name == "switch_mode")
            continue; // the older selectors of the hidden group
        for (const auto &p : prefixes) {
            if (name.startsWith(p.first)) {
                QVERIFY2(p.second->isAncestorOf(box), qPrintable(name));
                ++placed;
                break;
            }
        }
    }
    QCOMPARE(placed, 71);

    const QList<QPair<QStringList, QWidget *>> owners = {
        {{"expression_comboBox0", "expression_comboBox1", "expression_comboBox2",
          "expression_comboBox3"},
         ui.expression_stackedWidget},
        {{"pendal_type_comboBox0", "ex_Evert_checkBox", "tableView", "widget_4", "checkBox_ex",
          "test", "clearButton", "setButton_6", "pushButton", "widget_8", "groupBox_2"},
         ui.page_3},
        {{"pendal_type_comboBox1", "sw_Evert_checkBox", "tableView_2", "widget_5", "checkBox_sw",
          "clearButton_2", "setButton_9", "pushButton_3", "switch_stackedWidget"},
         ui.page_4},
        {{"pendal_type_comboBox2", "ht_Evert_checkBox", "tableView_3", "widget_7", "checkBox_ht",
          "clearButton_3", "setButton_7", "pushButton_2", "widget_10", "groupBox_16"},
         ui.page},
        {{"switch_stackedWidget"}, ui.Switch_Pedal_Setting_2},
        {{"expression_stackedWidget"}, ui.Switch_Pedal_Setting},
        {{"hat_stackedWidget"}, ui.Switch_Pedal_Setting_3},
        {{"widget_13"}, ui.widget_8},
        {{"widget_14"}, ui.widget_10},
        {{"label_4", "Message_Number_2", "label_44", "Pedal_Number_2", "checkButton_2"},
         ui.General_settings_2},
        {{"Pedal_Type",        "MIDI_Channel",        "switch_status",
          "switch_mode",       "comboBox_SPS_status", "comboBox_SPS_mode",
          "comboBox_SPS_D1_1", "comboBox_SPS_D1_2",   "comboBox_SPS_D2_1",
          "comboBox_SPS_D2_2", "comboBox_EPS_status", "comboBox_EPS_Gain",
          "comboBox_EPS_D1_1", "comboBox_EPS_D1_2",   "comboBox_EPS_D2_1",
          "comboBox_EPS_D2_2", "comboBox_HHS_status", "comboBox_HHS_DATA1",
          "comboBox_HHS_TL",   "comboBox_HHS_PN",     "comboBox_HHS_RN",
          "comboBox_HHS_Gain", "comboBox_HHS_D2_1",   "comboBox_HHS_D2_2",
          "comboBox",          "comboBox_2",          "comboBox_3",
          "comboBox_4",        "deleteButton",        "saveButton",
          "openButton"},
         ui.Hi_hat_Setting},
    };
    for (const auto &owner : owners)
        for (const QString &name : owner.first) {
            QWidget *w = root->findChild<QWidget *>(name);
            QVERIFY2(w && owner.second->isAncestorOf(w), qPrintable(name));
        }
}

void FormTest::selectorsStartEmpty()
{
    QStringList filled;
    for (QComboBox *box : root->findChildren<QComboBox *>())
        if (box != ui.comboBox_5 && (box->count() != 0 || box->currentIndex() != -1))
            filled << box->objectName();
    QCOMPARE(filled, QStringList());
}

void FormTest::baudSelector()
{
    QStringList items;
    for (int i = 0; i < ui.comboBox_5->count(); ++i)
        items << ui.comboBox_5->itemText(i);
    QCOMPARE(items, QStringList({"9600", "19200", "38400", "57600", "115200"}));
    QCOMPARE(ui.comboBox_5->currentText(), QStringLiteral("115200"));
    QCOMPARE(ui.comboBox_5->currentIndex(), 4);
}

void FormTest::stackPages_data()
{
    QTest::addColumn<QString>("stack");
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<int>("current");
    QTest::newRow("pedal types") << "pedal_type_stack" << QStringList({"page_3", "page_4", "page"})
                                 << 0;
    QTest::newRow("expression events")
        << "expression_stackedWidget" << QStringList({"page_7", "page_6", "page_5", "page_8"}) << 0;
    // Page order differs from the Switch event list order; pages are chosen by text.
    QTest::newRow("switch events")
        << "switch_stackedWidget"
        << QStringList({"page_9", "page_10", "page_11", "page_2", "page_14", "page_15", "page_16"})
        << 2;
    QTest::newRow("hi-hat events")
        << "hat_stackedWidget" << QStringList({"page_12", "page_13"}) << 0;
}

void FormTest::stackPages()
{
    QFETCH(QString, stack);
    QFETCH(QStringList, pages);
    QFETCH(int, current);
    auto *s = root->findChild<QStackedWidget *>(stack);
    QVERIFY(s);
    QStringList actual;
    for (int i = 0; i < s->count(); ++i)
        actual << s->widget(i)->objectName();
    QCOMPARE(actual, pages);
    QCOMPARE(s->currentIndex(), current);
}

// Other parts put a layout into these containers; a form-made layout or child would make
// that fail or sit in the way.
void FormTest::hostContainersAreBare()
{
    for (QWidget *w :
         {ui.widget, ui.widget_4, ui.widget_5, ui.widget_7, ui.widget_13, ui.widget_14}) {
        QVERIFY2(!w->layout(), qPrintable(w->objectName()));
        QVERIFY2(w->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).isEmpty(),
                 qPrintable(w->objectName()));
    }
}

void FormTest::hiddenGroupsNeverVisible_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("designed 973x795") << QSize(973, 795);
    QTest::newRow("minimum 610x20") << QSize(610, 20);
    QTest::newRow("window minimum 810x480") << QSize(810, 480);
    QTest::newRow("tall 700x2000") << QSize(700, 2000);
    QTest::newRow("full hd") << QSize(1920, 1080);
    QTest::newRow("huge 3840x2160") << QSize(3840, 2160);
}

// Checked: the groups get no area (zero size, resp. zero height) and neither they nor any
// widget inside them has a visible region. They are not hidden by the form, so isVisible()
// alone says nothing here.
void FormTest::hiddenGroupsNeverVisible()
{
    QFETCH(QSize, size);
    rebuild();
    root->resize(size);
    root->show();
    QVERIFY(QTest::qWaitForWindowExposed(root.get()));
    QTRY_COMPARE(root->size(), size);
    QTRY_VERIFY(ui.pedal_type_stack->height() > 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);

    QCOMPARE(ui.General_settings_2->size(), QSize(0, 0));
    QCOMPARE(ui.Hi_hat_Setting->height(), 0);
    for (QWidget *group : {static_cast<QWidget *>(ui.General_settings_2),
                           static_cast<QWidget *>(ui.Hi_hat_Setting)}) {
        QVERIFY2(group->visibleRegion().isEmpty(), qPrintable(group->objectName()));
        for (QWidget *inside : group->findChildren<QWidget *>())
            QVERIFY2(inside->visibleRegion().isEmpty(), qPrintable(inside->objectName()));
    }
    // The rest of the window did get laid out (and shows, where the window is tall enough).
    QVERIFY(!ui.General_settings->geometry().isEmpty());
    if (size.height() >= 480)
        QVERIFY(!ui.pedal_type_stack->visibleRegion().isEmpty());
}

QTEST_MAIN(FormTest)
#include "tst_form.moc"
