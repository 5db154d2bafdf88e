// The main window. Construction and wiring live in widget.cpp; each subsystem implements
// the slots it owns in its own folder (widget_<subsystem>.cpp) so that one file holds one concern.
#pragma once

#include "monitor/liveframe.h"
#include "protocol/msgpackage.h"
#include "update/toolversion.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QSerialPort>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <future>

QT_BEGIN_NAMESPACE
namespace Ui {
class Widget;
}
class QAction;
class QActionGroup;
class QComboBox;
class QGraphicsView;
class QMenu;
class QMenuBar;
class QSettings;
QT_END_NAMESPACE

class MonitorTableModel;
class SerialPort;
class CustomDialog;

class Widget : public QWidget
{
    Q_OBJECT

public:
    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

    // Seen by tests and by the other windows of the application.
    Ui::Widget *form() const { return ui; }
    SerialPort *port() const { return serialPort; }
    CustomDialog *aboutDialog() const { return customDialog; }
    QMenuBar *menuBar() const { return menuBarWidget; }

    void refreshConnectionControls();
    void balanceColumnWidths();
    void fitPedalScenes();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    // ---- Application shell (src/app) ----
private:
    // The form does not connect its on_<name>_<signal> slots by name: Qt's matching tests
    // every such slot against each of the form's 700 objects. They are connected here.
    void connectFormControls();
    void polishDialogsWhenShown();
    void buildMenuBar();
    void fillFixedLists();
    void setUpMonitorTables();

    Ui::Widget *ui = nullptr;
    SerialPort *serialPort = nullptr;
    // Rows of tableView, tableView_2 and tableView_3.
    MonitorTableModel *model = nullptr;
    MonitorTableModel *model_2 = nullptr;
    MonitorTableModel *model_3 = nullptr;
    QMap<QString, int> eventTypeCodes;
    QStringList eventTypeNames;
    CustomDialog *customDialog = nullptr;
    QSettings *settings = nullptr;
    QMenuBar *menuBarWidget = nullptr;
    QMenu *noteNamingMenu = nullptr;
    QActionGroup *noteNamingGroup = nullptr;
    QAction *actionC3 = nullptr;
    QAction *actionC4 = nullptr;
    QAction *actionC5 = nullptr;
    QAction *showCCNameAction = nullptr;
    QAction *openFileAction = nullptr;
    QAction *saveFileAction = nullptr;
    QAction *saveFileAsAction = nullptr;
    QAction *exitAction = nullptr;
    QAction *factoryResetAction = nullptr;
    QAction *firmwareUpgradeAction = nullptr;
    QAction *aboutAction = nullptr;
    QAction *chineseManualAction = nullptr;
    QAction *englishManualAction = nullptr;
    QAction *checkForUpdateAction = nullptr;
    QString pedalModel = QStringLiteral("xx");
    QString pedalVersion = QStringLiteral("xx");
    bool updateDialogShown = false;
    bool showCCNameEnabled = true;
    int NoteNaming = 2;

    // ---- Menus and settings (src/app/widget_settings.cpp) ----
public:
    void applySavedSettings(); // end of construction: naming and Show CC Name from config.ini
    int noteNaming() const { return NoteNaming; }
    bool controllerNamesShown() const { return showCCNameEnabled; }

private slots:
    void applyNoteNamingEntry(QAction *entry);
    void showCCNameToggled(bool checked);
    void openEnglishManual();
    void openChineseManual();
    void confirmExit();

private:
    void connectMenuActions();
    void refillNoteSelectors(int naming);

    QString settingsFilePath; // absolute, fixed at start-up

    // ---- Device link (src/link/widget_link.cpp) ----
private slots:
    void on_connectButton_clicked();
    void handleSerialError(QSerialPort::SerialPortError error);
    void pedalMidiDataSlot(Protocol::MsgPackage data);

private:
    void sendDelayedSlotQuery();
    void requestDeviceInfo();

    // ---- Configuration editor (src/editor) ----
public:
    void initEditor(); // lists, their connections and the start-up pages
    void adaptEditorToDevice(const QString &deviceText); // after every connection attempt
    void resetEditorToDisconnected();

    // Address table of the page selectors, key "type_event_field"; null when absent.
    QComboBox *selectorFor(int pedalType, int eventIndex, int field) const;
    int currentPedalType() const;
    int currentEventIndex(int pedalType) const;
    static void setIndexIfPresent(QComboBox *selector, int index);
    void resetOtherPages(const QString &typeKey, const QString &keptKey);
    void setExtendedEditorVisible(bool on);
    void refreshSwitchValmaxVisibility();

private slots:
    void syncComboBoxIndexes(int index);
    void Changed_stack(const QString &text);
    void syncComboBoxIndexes_hat(int index);
    void Changed_stack_hat(const QString &text);
    void syncComboBoxIndexes_switch(int index);
    void Changed_stack_switch(const QString &text);
    void syncComboBoxIndexes_type(int index);
    void Changed_stack_type(const QString &text);
    void syncComboBoxIndexes_modeswitch(int index);
    void Changed_stack_mode(const QString &text);
    void on_switch_cc_comboBox_mode_currentIndexChanged(const QString &text);
    void on_switch_note_comboBox_mode_currentIndexChanged(const QString &text);
    void on_switch_pc_comboBox_mode_currentIndexChanged(const QString &text);
    void on_expression_trigger_level_currentIndexChanged(const QString &text);
    void on_expression_trigger_level_activated(const QString &text);
    void on_hat_trigger_level_currentIndexChanged(const QString &text);

private:
    void fillEditorLists();
    void refillSwitchEventLists(bool withTempo);
    void showExpressionEventPage(int page, bool pitchBend);
    void showHatEventPage(int page);
    QList<QComboBox *> expressionEventSelectors() const;
    QList<QComboBox *> switchEventSelectors() const; // in page order
    QList<QComboBox *> hatEventSelectors() const;
    QList<QComboBox *> pedalTypeSelectors() const;
    QList<QComboBox *> switchModeSelectors() const; // in page order

    mutable QMap<QString, QComboBox *> selectorTable;

    // ---- Sending and read-back (src/editor/widget_send.cpp, widget_readback.cpp) ----
public:
    void initSending(); // the menu entry that is not connected by name
    // The 24-byte configuration message of the slot the editor shows.
    QByteArray buildConfiguration() const;
    // Reply handlers of the record dispatch.
    void fillPedalNumbers(const QByteArray &handshakeReply);
    void applyConfiguration(const QByteArray &reply);
    void showSetResult(const QByteArray &acknowledgment);
    void showDeleteResult(const QByteArray &acknowledgment);

private slots:
    void on_setButton_6_clicked();
    void on_setButton_9_clicked();
    void on_setButton_7_clicked();
    void on_pushButton_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_2_clicked();
    void on_deleteButton_clicked();
    void on_checkButton_clicked();
    void on_checkButton_2_clicked();

private:
    void sendConfiguration();
    void sendDeleteRequest();
    void confirmFactoryReset();
    void postInformation(const QString &title, const QString &text, bool richText);

    // ---- Live monitor (src/monitor) ----
private slots:
    void on_clearButton_clicked();
    void on_clearButton_2_clicked();
    void on_clearButton_3_clicked();

private:
    static std::future<QVector<QImage>> decodePedalImagesAhead();
    void enqueueLiveFrame(const QByteArray &frame);
    void drainLiveFrames();
    void showLiveFrame(const QByteArray &frame);
    void appendMonitorRow(const QString &event, const QString &no, const QString &value,
                          const QString &channel);
    void clearMonitorTables();
    void flushMonitorRows();
    void holdMonitorRepaints();
    void releaseMonitorRepaints();
    void setMonitorRepaintsEnabled(bool on);
    QList<QWidget *> monitorViews() const;
    // Each does nothing when its container is missing or its scene already exists.
    void buildExpressionPicture();
    void buildHiHatPicture();
    void buildSwitchPicture();
    QPixmap pedalPicture(int layer); // decoded ahead; taken once
    // The argument is a monitor cell: a decimal number, or "--" read as 0.
    void animateExpressionPedal(const QString &value);
    void animateHiHatPedal(const QString &value);
    void animateSwitchPedal(const QString &value);

    QList<QByteArray> liveFrameQueue;
    bool liveQueueBusy = false;
    bool liveDrainRunning = false;
    QVector<Monitor::MonitorRow> pendingMonitorRows; // rows of the batch being drained
    class QTimer *monitorRepaintTimer = nullptr;
    bool monitorRepaintsHeld = false;
    // Pedal pictures; null until built. Their images are decoded on a worker thread while
    // the window builds its form, and taken when the pictures are built.
    std::future<QVector<QImage>> pedalImagesAhead;
    QVector<QImage> pedalImages;
    QGraphicsView *expressionView = nullptr;
    QGraphicsView *hiHatView = nullptr;
    QGraphicsView *switchView = nullptr;
    class QGraphicsScene *expressionScene = nullptr;
    class QGraphicsScene *hiHatScene = nullptr;
    class QGraphicsScene *switchScene = nullptr;
    class MyPixmapItem *expressionPedalItem = nullptr;
    class MyPixmapItem *hiHatPedalItem = nullptr;
    class MyPixmapItem *switchPedalItem = nullptr;
    class QGraphicsRotation *switchRotation = nullptr;

    // ---- Range rules (src/editor/widget_ranges.cpp) ----
private slots:
    void on_expression_cc_comboBox_valmin_currentIndexChanged(int index);
    void on_expression_cc_comboBox_valmax_currentIndexChanged(int index);
    void on_expression_cc_comboBox_gain_currentIndexChanged(int index);
    void on_expression_cc_comboBox_ql_currentIndexChanged(int index);
    void on_expression_note_comboBox_valmin_currentIndexChanged(int index);
    void on_expression_note_comboBox_valmax_currentIndexChanged(int index);
    void on_expression_note_comboBox_gain_currentIndexChanged(int index);
    void on_expression_note_comboBox_ql_currentIndexChanged(int index);
    void on_expression_pitch_comboBox_valmin_currentIndexChanged(int index);
    void on_expression_pitch_comboBox_valmax_currentIndexChanged(int index);
    void on_expression_pitch_comboBox_gain_currentIndexChanged(int index);
    void on_expression_pitch_comboBox_ql_currentIndexChanged(int index);
    void on_expression_ch_comboBox_val1_currentIndexChanged(int index);
    void on_expression_ch_comboBox_val2_currentIndexChanged(int index);
    void on_expression_ch_comboBox_gain_currentIndexChanged(int index);
    void on_expression_ch_comboBox_ql_currentIndexChanged(int index);
    void on_hat_cc_comboBox_valmin_currentIndexChanged(int index);
    void on_hat_cc_comboBox_valmax_currentIndexChanged(int index);
    void on_hat_cc_comboBox_gain_currentIndexChanged(int index);
    void on_hat_cc_comboBox_ql_currentIndexChanged(int index);
    void on_hat_note_comboBox_valmin_currentIndexChanged(int index);
    void on_hat_note_comboBox_valmax_currentIndexChanged(int index);
    void on_hat_note_comboBox_gain_currentIndexChanged(int index);
    void on_hat_note_comboBox_ql_currentIndexChanged(int index);
    void on_switch_cc_comboBox_valmin_currentIndexChanged(int index);
    void on_switch_cc_comboBox_valmax_currentIndexChanged(int index);
    void on_switch_note_comboBox_valmin_currentIndexChanged(int index);
    void on_switch_note_comboBox_valmax_currentIndexChanged(int index);
    void on_switch_pc_comboBox_valmin_currentIndexChanged(int index);
    void on_switch_pc_comboBox_valmax_currentIndexChanged(int index);

private:
    // True when an Expression or Hi-Hat slot must not act: a drag is running, or this is the
    // slot's first call, the one caused by filling its list.
    bool curveSlotIdle(bool &startupPending);
    // For lists filled with their slots quiet: as if each slot had had its first call.
    void spendCurveStartupSkips();
    // Refuses a minimum above its partner or a maximum below it, warns and puts the value back.
    bool acceptRange(QComboBox *changed, QComboBox *partner, bool isMax, int index);
    bool acceptSwitchRange(QComboBox *mode, QComboBox *changed, QComboBox *partner, bool isMax,
                           int index);
    // The Expression plot's range from two selectors, in their own units.
    void setExpressionCurveRange(QComboBox *minSelector, QComboBox *maxSelector);
    // The curve selectors of one pedal type are one operation.
    void expressionCurveIndexChanged(int index);
    void hatCurveIndexChanged(int index);

    int lastAcceptedMax = 127; // shared by every validated Max selector
    int lastAcceptedMin = 0;   // shared by every Min selector; accepting stores 0
    bool startupExpressionCcMin = true;
    bool startupExpressionCcMax = true;
    bool startupExpressionNoteMin = true;
    bool startupExpressionNoteMax = true;
    bool startupExpressionPitchMin = true;
    bool startupExpressionPitchMax = true;
    bool startupExpressionPressureMin = true;
    bool startupExpressionPressureMax = true;
    bool startupHatCcMin = true;
    bool startupHatCcMax = true;
    bool startupHatNoteMin = true;
    bool startupGainCurve = true;          // every Gain and Curve slot but one
    bool startupPressureGainHatMax = true; // Channel Pressure Gain and Hi-Hat NOTE Max

    // ---- Curve editor (src/curve) ----
public:
    void rebuildExpressionCurve();
    void rebuildHiHatCurve();
    void refreshCurveFromSelectors();
    class MyCustomPlot *expressionCurvePlot() const { return expressionPlot; }
    class MyCustomPlot *hatCurvePlot() const { return hatPlot; }
    bool curveDragRunning() const { return curveDragActive; }
    // Byte 21 of the configuration: the Expression plot's saturation point, `fallback` before
    // that plot exists.
    static int expressionSaturationPercent(const Ui::Widget *form, int fallback);

private slots:
    void rec_max_min_gain(int max, int min, int gain, int cgain);
    void rec_max_min_gain_hat(int max, int min, int gain, int cgain);
    void moveflagchange(bool flag);
    void drawCirclesOnWidget(QPoint startCoord, QPoint endCoord);

private:
    // Empties the container (the old plot) and puts a new, connected plot in it.
    class MyCustomPlot *replaceCurvePlot(QWidget *container, bool hiHat);
    // The plot a rebuild sets up: a new one, or the current one while the window is built.
    class MyCustomPlot *curvePlotToBuild(QWidget *container, class MyCustomPlot *current,
                                         bool hiHat);
    // Builds the plot once if needed, then redraws it from its current members.
    void redrawExpressionCurve();
    void redrawHiHatCurve();

    class MyCustomPlot *expressionPlot = nullptr;
    class MyCustomPlot *hatPlot = nullptr;
    bool curveDragActive = false; // a handle is held: the selectors follow unchecked
    bool curveBuilt = false;      // the Expression plot has been built by a selector change
    bool hatCurveBuilt = false;
    // Until the constructor ends a rebuild sets up the page's one plot again in place.
    bool reuseCurvePlots = true;
    QPoint curveStartPoint; // handle corners in widget_8, kept for its repaint
    QPoint curveEndPoint;

    // ---- Configuration files (src/configfile) ----
public slots:
    void loadConfiguration();
    void saveConfiguration();
    void saveConfigurationAs();

private:
    void writeConfiguration(bool saveAsWriter);

    QString currentConfigPath; // the last save dialog's answer, empty when cancelled

    // ---- Firmware upgrade (src/upgrade) ----
public:
    class upgrade_dialog *upgradeDialog() const { return ug_dlg; }
    class Upgrade_message_Dialog *upgradeMessageDialog() const { return upgrade_message_dialog; }

signals:
    void send_mtd_version(QString MTD, QString version);
    void send_possvalue(int value);
    void done();

public slots:
    void show_ug_dlg_Dialog();
    void rec_data(QByteArray data);
    void startAutoUpgradeByName(QByteArray image);
    void failAutoUpgrade(QString message);

public:
    class AutoUpgrade *autoUpgrade() const { return autoUpgrader; }
    QString currentPedalModel() const { return pedalModel; }
    QString currentPedalVersion() const { return pedalVersion; }

private:
    void ensureUpgradeMessageConnections();
    void initAutoUpgrade();
    class AutoUpgrade *autoUpgrader = nullptr; // the automatic upgrade's sequence

    class upgrade_dialog *ug_dlg = nullptr;
    class Upgrade_message_Dialog *upgrade_message_dialog = nullptr;

    // ---- Software update (src/update) ----
public slots:
    void checkForUpdateAtShow(); // every show event
    void checkForUpdate();       // Help › "Check for Update "

private:
    void startUpdateCheck(ToolVersion::CheckRule rule);

    class QProcess *installerProcess = nullptr; // the started installer; outlives the window
};
