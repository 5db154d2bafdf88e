#include "app/widget.h"

#include "app/customdialog.h"
#include "app/popupdeferral.h"
#include "app/stylesheet.h"
#include "common/pixmapahead.h"
#include "editor/entriesahead.h"
#include "editor/vocabulary.h"
#include "link/serialport.h"
#include "monitor/monitortablemodel.h"
#include "ui_widget.h"
#include "upgrade/upgrade_dialog.h"
#include "upgrade/upgrade_message_dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace {
const QStringList kMonitorHeaders = {QStringLiteral("STATUS"), QStringLiteral("DATA1"),
                                     QStringLiteral("DATA2"), QStringLiteral("CHAN")};

// The long lists the window fills while it is built, and how many selectors take each.
// Construction must take every set made for them; tst_mainwindow checks it.
QVector<EntriesAhead::Need> startupListNeeds()
{
    return {
        {valueList127, 13 + 16}, // fixed lists; editor minimum and maximum
        {gainList, 12},          // editor gain and curve
        {channelList, 3 + 9},    // fixed lists; editor channels
        {[] { return noteList(kEditorStartNaming); }, 7},
        {[] { return controllerList(true); }, 2 + 2 + 1}, // menu bar, saved setting, Hi-Hat
        {[] { return makeNumberList(100, true); }, 2},
        {[] { return makeNumberList(127, true); }, 1},
    };
}

// The form's own pictures, which its style sheets and labels load by name while it is built:
// decoding the curves' background alone took 3 ms of the window's start-up.
void decodeFormPicturesAhead()
{
    PixmapAhead::decode({QStringLiteral(":/IMG/bd5.png"), QStringLiteral(":/IMG/label.png")});
}

} // namespace

// With the application object, long before the window's form asks for them.
Q_COREAPP_STARTUP_FUNCTION(decodeFormPicturesAhead)

Widget::Widget(QWidget *parent)
    : QWidget(parent), ui(new Ui::Widget),
      model(new MonitorTableModel(Monitor::kMaxMonitorRows, this))
{
    // The form's pictures are decoded since the application started; the ports are read, the
    // list entries made and the pedal pictures decoded while the form is built, in the order
    // the window needs them.
    SerialPort::listPortsAhead();
    EntriesAhead::make(startupListNeeds());
    CustomDialog::decodeLogoAhead();
    pedalImagesAhead = decodePedalImagesAhead();
    const PopupDeferral popupsOnFirstOpen;
    {
        const PixmapAhead::CacheWhenNamed formPictures;
        ui->setupUi(this);
    }
    // Polished now, before any dialog exists: the polish of the first show walks into every
    // child window not yet polished, and would style the hidden dialogs before the first frame.
    ensurePolished();
    connectFormControls();

    serialPort = new SerialPort(ui->comboBox_ComDevices, this);

    for (QWidget *hidden :
         {static_cast<QWidget *>(ui->widget_8), static_cast<QWidget *>(ui->widget_10),
          static_cast<QWidget *>(ui->groupBox_16), static_cast<QWidget *>(ui->groupBox_2),
          static_cast<QWidget *>(ui->expression_trigger_level),
          static_cast<QWidget *>(ui->label_117),
          static_cast<QWidget *>(ui->expression_cc_comboBox_ql),
          static_cast<QWidget *>(ui->expression_note_comboBox_ql),
          static_cast<QWidget *>(ui->expression_pitch_comboBox_ql),
          static_cast<QWidget *>(ui->expression_ch_comboBox_ql),
          static_cast<QWidget *>(ui->label_134), static_cast<QWidget *>(ui->hat_cc_comboBox_ql),
          static_cast<QWidget *>(ui->hat_note_comboBox_ql), static_cast<QWidget *>(ui->label_Baud),
          static_cast<QWidget *>(ui->comboBox_5), static_cast<QWidget *>(ui->Hi_hat_Setting)})
        hidden->hide();

    model_2 = new MonitorTableModel(Monitor::kMaxMonitorRows, this);
    model_3 = new MonitorTableModel(Monitor::kMaxMonitorRows, this);
    eventTypeNames = QStringList{QStringLiteral("Continuous Controllers (CC)"),
                                 QStringLiteral("Program Change (PC)"),
                                 QStringLiteral("NOTE"),
                                 QStringLiteral("Pitch Bend"),
                                 QStringLiteral("Channel Pressure"),
                                 QStringLiteral("Start"),
                                 QStringLiteral("Continue"),
                                 QStringLiteral("Stop"),
                                 QStringLiteral("Tempo")};
    for (int code = 0; code < eventTypeNames.size(); ++code)
        eventTypeCodes.insert(eventTypeNames.at(code), code);

    for (QTableView *table : {ui->tableView, ui->tableView_2, ui->tableView_3}) {
        table->horizontalHeader()->hide();
        table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }

    customDialog = new CustomDialog(this);

    for (QTableView *table : {ui->tableView, ui->tableView_2, ui->tableView_3}) {
        table->setShowGrid(false);
        table->setStyleSheet(monitorTableStyle());
    }

    buildMenuBar();

    auto *menuLayout = new QVBoxLayout(ui->widget);
    menuLayout->setContentsMargins(0, 0, 0, 0);
    menuLayout->addWidget(menuBarWidget);
    setMinimumSize(810, 480);

    setUpMonitorTables();

    setWindowTitle(tr("Tredora V4.0.3"));

    fillFixedLists();

    connect(serialPort, &SerialPort::pedalMidiDataSignal, this, &Widget::pedalMidiDataSlot);

    refreshConnectionControls();
    initEditor();
    connectMenuActions();
    initSending();

    ug_dlg = new upgrade_dialog(serialPort, this);
    initAutoUpgrade();
    // The dialog listens for it as well; the second delivery finds the state already moved on.
    connect(serialPort, &SerialPort::send_erase, ug_dlg, &upgrade_dialog::rec_erase_flag);
    connect(serialPort, &QSerialPort::errorOccurred, this, &Widget::handleSerialError);
    connect(firmwareUpgradeAction, &QAction::triggered, this, &Widget::show_ug_dlg_Dialog);
    buildExpressionPicture();
    buildHiHatPicture();
    buildSwitchPicture();

    ui->label_84->hide();
    applySavedSettings();
    ui->test->hide();

    upgrade_message_dialog = new Upgrade_message_Dialog(this);

    // Pages never shown yet keep the minimum sizes computed before the hides above; without
    // this the window scrolls at its designed size.
    for (QWidget *child : findChildren<QWidget *>())
        child->updateGeometry();
    for (QLayout *layout : findChildren<QLayout *>())
        layout->invalidate();
    reuseCurvePlots = false;
    EntriesAhead::finish();
}

Widget::~Widget()
{
    delete ui;
}

// Right after setupUi, where the connection by name would have happened; the form says
// connectslotsbyname="false", so each slot is connected once.
void Widget::connectFormControls()
{
    for (const auto &[button, handler] :
         std::initializer_list<std::pair<QAbstractButton *, void (Widget::*)()>>{
             {ui->connectButton, &Widget::on_connectButton_clicked},
             {ui->setButton_6, &Widget::on_setButton_6_clicked},
             {ui->setButton_9, &Widget::on_setButton_9_clicked},
             {ui->setButton_7, &Widget::on_setButton_7_clicked},
             {ui->pushButton, &Widget::on_pushButton_clicked},
             {ui->pushButton_3, &Widget::on_pushButton_3_clicked},
             {ui->pushButton_2, &Widget::on_pushButton_2_clicked},
             {ui->deleteButton, &Widget::on_deleteButton_clicked},
             {ui->checkButton, &Widget::on_checkButton_clicked},
             {ui->checkButton_2, &Widget::on_checkButton_2_clicked},
             {ui->clearButton, &Widget::on_clearButton_clicked},
             {ui->clearButton_2, &Widget::on_clearButton_2_clicked},
             {ui->clearButton_3, &Widget::on_clearButton_3_clicked},
         })
        connect(button, &QAbstractButton::clicked, this, handler);

    for (const auto &[selector, handler] :
         std::initializer_list<std::pair<QComboBox *, void (Widget::*)(int)>>{
             {ui->expression_cc_comboBox_valmin,
              &Widget::on_expression_cc_comboBox_valmin_currentIndexChanged},
             {ui->expression_cc_comboBox_valmax,
              &Widget::on_expression_cc_comboBox_valmax_currentIndexChanged},
             {ui->expression_cc_comboBox_gain,
              &Widget::on_expression_cc_comboBox_gain_currentIndexChanged},
             {ui->expression_cc_comboBox_ql,
              &Widget::on_expression_cc_comboBox_ql_currentIndexChanged},
             {ui->expression_note_comboBox_valmin,
              &Widget::on_expression_note_comboBox_valmin_currentIndexChanged},
             {ui->expression_note_comboBox_valmax,
              &Widget::on_expression_note_comboBox_valmax_currentIndexChanged},
             {ui->expression_note_comboBox_gain,
              &Widget::on_expression_note_comboBox_gain_currentIndexChanged},
             {ui->expression_note_comboBox_ql,
              &Widget::on_expression_note_comboBox_ql_currentIndexChanged},
             {ui->expression_pitch_comboBox_valmin,
              &Widget::on_expression_pitch_comboBox_valmin_currentIndexChanged},
             {ui->expression_pitch_comboBox_valmax,
              &Widget::on_expression_pitch_comboBox_valmax_currentIndexChanged},
             {ui->expression_pitch_comboBox_gain,
              &Widget::on_expression_pitch_comboBox_gain_currentIndexChanged},
             {ui->expression_pitch_comboBox_ql,
              &Widget::on_expression_pitch_comboBox_ql_currentIndexChanged},
             {ui->expression_ch_comboBox_val1,
              &Widget::on_expression_ch_comboBox_val1_currentIndexChanged},
             {ui->expression_ch_comboBox_val2,
              &Widget::on_expression_ch_comboBox_val2_currentIndexChanged},
             {ui->expression_ch_comboBox_gain,
              &Widget::on_expression_ch_comboBox_gain_currentIndexChanged},
             {ui->expression_ch_comboBox_ql,
              &Widget::on_expression_ch_comboBox_ql_currentIndexChanged},
             {ui->hat_cc_comboBox_valmin, &Widget::on_hat_cc_comboBox_valmin_currentIndexChanged},
             {ui->hat_cc_comboBox_valmax, &Widget::on_hat_cc_comboBox_valmax_currentIndexChanged},
             {ui->hat_cc_comboBox_gain, &Widget::on_hat_cc_comboBox_gain_currentIndexChanged},
             {ui->hat_cc_comboBox_ql, &Widget::on_hat_cc_comboBox_ql_currentIndexChanged},
             {ui->hat_note_comboBox_valmin,
              &Widget::on_hat_note_comboBox_valmin_currentIndexChanged},
             {ui->hat_note_comboBox_valmax,
              &Widget::on_hat_note_comboBox_valmax_currentIndexChanged},
             {ui->hat_note_comboBox_gain, &Widget::on_hat_note_comboBox_gain_currentIndexChanged},
             {ui->hat_note_comboBox_ql, &Widget::on_hat_note_comboBox_ql_currentIndexChanged},
             {ui->switch_cc_comboBox_valmin,
              &Widget::on_switch_cc_comboBox_valmin_currentIndexChanged},
             {ui->switch_cc_comboBox_valmax,
              &Widget::on_switch_cc_comboBox_valmax_currentIndexChanged},
             {ui->switch_note_comboBox_valmin,
              &Widget::on_switch_note_comboBox_valmin_currentIndexChanged},
             {ui->switch_note_comboBox_valmax,
              &Widget::on_switch_note_comboBox_valmax_currentIndexChanged},
             {ui->switch_pc_comboBox_valmin,
              &Widget::on_switch_pc_comboBox_valmin_currentIndexChanged},
             {ui->switch_pc_comboBox_valmax,
              &Widget::on_switch_pc_comboBox_valmax_currentIndexChanged},
         })
        connect(selector, qOverload<int>(&QComboBox::currentIndexChanged), this, handler);

    // These handlers take the entry's text, from the signals' text forms, which Qt emits
    // right after the index forms.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    for (const auto &[selector, handler] :
         std::initializer_list<std::pair<QComboBox *, void (Widget::*)(const QString &)>>{
             {ui->switch_cc_comboBox_mode, &Widget::on_switch_cc_comboBox_mode_currentIndexChanged},
             {ui->switch_note_comboBox_mode,
              &Widget::on_switch_note_comboBox_mode_currentIndexChanged},
             {ui->switch_pc_comboBox_mode, &Widget::on_switch_pc_comboBox_mode_currentIndexChanged},
             {ui->expression_trigger_level,
              &Widget::on_expression_trigger_level_currentIndexChanged},
             {ui->hat_trigger_level, &Widget::on_hat_trigger_level_currentIndexChanged},
         })
        connect(selector, qOverload<const QString &>(&QComboBox::currentIndexChanged), this,
                handler);
    connect(ui->expression_trigger_level, qOverload<const QString &>(&QComboBox::activated), this,
            &Widget::on_expression_trigger_level_activated);
    QT_WARNING_POP
}

void Widget::buildMenuBar()
{
    menuBarWidget = new QMenuBar(ui->widget);
    menuBarWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    QMenu *fileMenu = menuBarWidget->addMenu(QStringLiteral("File"));
    openFileAction = fileMenu->addAction(QStringLiteral("Open File"));
    saveFileAction = fileMenu->addAction(QStringLiteral("Save File"));
    saveFileAsAction = fileMenu->addAction(QStringLiteral("Save File As"));
    exitAction = fileMenu->addAction(QStringLiteral("Exit"));

    QMenu *settingMenu = menuBarWidget->addMenu(QStringLiteral("Setting"));
    noteNamingMenu = settingMenu->addMenu(QStringLiteral("MIDI Note=60 Name"));
    noteNamingGroup = new QActionGroup(this);
    noteNamingGroup->setExclusive(true);
    for (QAction **action : {&actionC3, &actionC4, &actionC5}) {
        const QString text = action == &actionC3   ? QStringLiteral("C3")
                             : action == &actionC4 ? QStringLiteral("C4")
                                                   : QStringLiteral("C5");
        *action = noteNamingMenu->addAction(text);
        (*action)->setCheckable(true);
        noteNamingGroup->addAction(*action);
    }

    settings = new QSettings(QStringLiteral("./config.ini"), QSettings::IniFormat, this);
    showCCNameEnabled = settings->value(QStringLiteral("showCCNameEnabled"), true).toBool();
    showCCNameAction = settingMenu->addAction(QStringLiteral("Show CC Name"));
    showCCNameAction->setCheckable(true);
    showCCNameAction->setChecked(showCCNameEnabled);
    for (QComboBox *selector : {ui->expression_cc_comboBox_ctl, ui->switch_cc_comboBox_ctl}) {
        selector->clear();
        if (showCCNameEnabled)
            fillControllerList(selector);
        else
            EntriesAhead::append(selector, valueList127());
    }

    factoryResetAction = settingMenu->addAction(QStringLiteral("Factory Reset"));
    firmwareUpgradeAction = settingMenu->addAction(QStringLiteral("Firmware Upgrade"));

    QMenu *helpMenu = menuBarWidget->addMenu(QStringLiteral("Help"));
    aboutAction = helpMenu->addAction(QStringLiteral("About"));
    connect(aboutAction, &QAction::triggered, customDialog, &QDialog::exec);
    QMenu *manualMenu = helpMenu->addMenu(QStringLiteral("User Manual"));
    chineseManualAction = manualMenu->addAction(QStringLiteral("中文说明书"));
    englishManualAction = manualMenu->addAction(QStringLiteral("English User Manual"));
    checkForUpdateAction = helpMenu->addAction(QStringLiteral("Check for Update "));
    connect(checkForUpdateAction, &QAction::triggered, this, &Widget::checkForUpdate);
}

void Widget::setUpMonitorTables()
{
    const QList<QPair<QTableView *, MonitorTableModel *>> tables = {
        {ui->tableView, model}, {ui->tableView_2, model_2}, {ui->tableView_3, model_3}};
    for (const auto &[table, tableModel] : tables) {
        table->setModel(tableModel);
        tableModel->setHorizontalHeaderLabels(kMonitorHeaders);
        table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        table->verticalHeader()->hide();
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
}

void Widget::fillFixedLists()
{
    const QStringList messages = channelList();
    const QStringList values = valueList127();
    const QStringList gains = makeNumberList(100, true);
    const QStringList levels = makeNumberList(127, true);

    ui->Pedal_Number->clear();
    EntriesAhead::append(ui->Message_Number, messages);
    ui->Message_Number_2->clear();
    EntriesAhead::append(ui->Message_Number_2, messages);

    ui->Pedal_Type->addItems(
        {QStringLiteral("Expression"), QStringLiteral("Switch"), QStringLiteral("Hi-Hat")});
    EntriesAhead::append(ui->MIDI_Channel, messages);
    EntriesAhead::append(ui->comboBox_EPS_Gain, gains);
    EntriesAhead::append(ui->comboBox_HHS_Gain, gains);
    EntriesAhead::append(ui->comboBox_HHS_TL, levels);
    ui->comboBox_EPS_status->addItems({QStringLiteral("CC"), QStringLiteral("NOTE"),
                                       QStringLiteral("Pitch Bend"),
                                       QStringLiteral("Channel Pressure")});
    ui->comboBox_SPS_status->addItems(
        {QStringLiteral("CC"), QStringLiteral("PC"), QStringLiteral("NOTE")});
    ui->comboBox_SPS_mode->addItems({QStringLiteral("Single"), QStringLiteral("Toggle"),
                                     QStringLiteral("Reset"), QStringLiteral("Increase"),
                                     QStringLiteral("Decrease")});
    ui->comboBox_HHS_status->addItems({QStringLiteral("CC"), QStringLiteral("NOTE")});
    for (QComboBox *selector :
         {ui->comboBox_EPS_D1_1, ui->comboBox_EPS_D1_2, ui->comboBox_EPS_D2_1,
          ui->comboBox_EPS_D2_2, ui->comboBox_SPS_D1_1, ui->comboBox_SPS_D1_2,
          ui->comboBox_SPS_D2_1, ui->comboBox_SPS_D2_2, ui->comboBox_HHS_DATA1,
          ui->comboBox_HHS_D2_1, ui->comboBox_HHS_D2_2, ui->comboBox_HHS_PN, ui->comboBox_HHS_RN})
        EntriesAhead::append(selector, values);
}

void Widget::refreshConnectionControls()
{
    const bool open = serialPort->isOpen();
    ui->comboBox_ComDevices->setEnabled(!open);
    ui->connectButton->setText(open ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    for (QPushButton *button :
         {ui->openButton, ui->saveButton, ui->deleteButton, ui->checkButton, ui->checkButton_2,
          ui->setButton_6, ui->setButton_9, ui->setButton_7})
        button->setEnabled(open);
}

void Widget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    balanceColumnWidths();
    fitPedalScenes();
    QTimer::singleShot(0, this, [this] {
        balanceColumnWidths();
        fitPedalScenes();
    });
    checkForUpdateAtShow();
    polishDialogsWhenShown();
}

namespace {
// Turns away the polish request Qt posts for each part of a dialog when it is made, until the
// part is polished by being shown. Filtering costs less than taking the requests out of the
// event queue, which is searched whole for each part.
class PolishWhenShown : public QObject
{
public:
    static void watch(QDialog *dialog)
    {
        auto *filter = new PolishWhenShown(dialog);
        filter->watchPart(dialog);
        for (QWidget *part : dialog->findChildren<QWidget *>())
            filter->watchPart(part);
        if (filter->watching == 0)
            delete filter;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::PolishRequest && event->type() != QEvent::Polish)
            return false;
        watched->removeEventFilter(this);
        if (--watching == 0)
            deleteLater();
        return event->type() == QEvent::PolishRequest;
    }

private:
    using QObject::QObject;

    void watchPart(QWidget *part)
    {
        if (part->testAttribute(Qt::WA_WState_Polished))
            return;
        part->installEventFilter(this);
        ++watching;
    }

    int watching = 0;
};
} // namespace

// Qt polishes each new widget through a request it posts, served before the next frame. The
// dialogs stay hidden until the user opens one, and showing a dialog polishes it anyway.
void Widget::polishDialogsWhenShown()
{
    for (QDialog *dialog : findChildren<QDialog *>()) {
        if (!dialog->isVisible())
            PolishWhenShown::watch(dialog);
    }
}

void Widget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    balanceColumnWidths();
    fitPedalScenes();
    QTimer::singleShot(0, this, [this] {
        balanceColumnWidths();
        fitPedalScenes();
    });
}

namespace {
int usableWidth(const QWidget *container, const QLayout *layout)
{
    const QMargins margins = layout->contentsMargins();
    int spacing = layout->spacing();
    if (const auto *grid = qobject_cast<const QGridLayout *>(layout))
        spacing = grid->horizontalSpacing() >= 0 ? grid->horizontalSpacing() : grid->spacing();
    int width = container->width() - margins.left() - margins.right();
    if (spacing > 0)
        width -= spacing;
    return qMax(0, width);
}

void pinWidth(QWidget *widget, int width)
{
    widget->setMinimumWidth(width);
    widget->setMaximumWidth(width);
}
} // namespace

void Widget::balanceColumnWidths()
{
    if (!ui->horizontalLayout_41 || !ui->horizontalLayout_68 || !ui->gridLayout_24)
        return;
    if (const int w = usableWidth(ui->widget_2, ui->horizontalLayout_41); w > 0)
        pinWidth(ui->widget_20, w / 2);
    if (const int w = usableWidth(ui->widget_3, ui->horizontalLayout_68); w > 0)
        pinWidth(ui->widget_19, w / 2);
    if (const int w = usableWidth(ui->widget_6, ui->gridLayout_24); w > 0) {
        const int b = w / 2;
        pinWidth(ui->widget_18, b);
        ui->gridLayout_24->setColumnMinimumWidth(0, b);
        ui->gridLayout_24->setColumnMinimumWidth(1, w - b);
    }
}

void Widget::fitPedalScenes()
{
    for (QGraphicsView *view : {expressionView, hiHatView, switchView}) {
        if (!view || !view->scene())
            continue;
        const QRectF rect = view->scene()->sceneRect();
        if (rect.isEmpty() || view->viewport()->size().isEmpty())
            continue;
        view->setAlignment(Qt::AlignCenter);
        view->resetTransform();
        view->fitInView(rect, Qt::KeepAspectRatio);
    }
}
