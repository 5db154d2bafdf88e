#include "app/stylesheet.h"

QString applicationStyleSheet()
{
    // No box-shadow declarations: Qt's style engine cannot draw them and warns once per
    // styled widget, which floods the log at every start.
    return QStringLiteral(
        "QWidget { background-color: #2A2A2A; font: 10pt \"Arial\"; color: #FFFFFF; }"
        "QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5A5A5A, "
        "stop:1 #2E2E2E); border: 2px solid #444444; border-radius: 6px; color: #FFFFFF; "
        "padding: 6px 10px; }"
        "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #A68D44, "
        "stop:1 #8A6F33); color: #000000; border: 2px solid #FFD700; }"
        "QPushButton:pressed { background: qlineargradient(x1:0, y1:1, x2:0, y2:0, stop:0 #1E1E1E, "
        "stop:1 #333333); border: 2px solid #333333; color: #FFFFFF; padding-top: 8px; "
        "padding-bottom: 4px; }"
        "QLabel { font-size: 10pt; color: #A68D44; }"
        "QSlider::groove:horizontal { background: #555555; height: 6px; border-radius: 3px; }"
        "QSlider::handle:horizontal { background: #A68D44; border: 2px solid #666666; width: 12px; "
        "border-radius: 6px; }"
        "QGroupBox { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2F2F2F, "
        "stop:1 #1A1A1A); border: 0px; border-radius: 10px; margin-top: 10px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top center; "
        "padding: 0 5px; color: #A68D44; font-size: 10pt; }"
        "QComboBox:focus { border: 2px solid #574d46; background-color: #333333; }"
        "QComboBox::drop-down { background: transparent; border: none; }"
        "QComboBox QAbstractItemView { background-color: #2A2A2A; color: #FFFFFF; "
        "selection-background-color: #A68D44; selection-color: #000000; }"
        "#groupBox_5, #groupBox_6, #groupBox_7, #groupBox_8, #groupBox_12, #groupBox_13 "
        "{ border: none; }"
        "#widget_18, #widget_19, #widget_20 { border: 2px solid #A68D44; border-radius: 6px; }"
        "QLabel { background: transparent; border: none; }"
        "#Switch_Pedal_Setting_2 { background: transparent; }"
        "QMenu::item:selected { background-color: #A68D44; color: #000000; }"
        "QMenu::separator { height: 1px; background: #444444; margin: 5px; }"
        "QMenuBar::item:selected { background-color: #444444; color: #FFFFFF; }"
        "QMenuBar::item:pressed { background-color: #A68D44; color: #000000; }");
}

QString monitorTableStyle()
{
    return QStringLiteral("QTableView { border: none; gridline-color: transparent; "
                          "padding-left: 20px; padding-right: 20px; }"
                          "QHeaderView::section { border: none; }"
                          "QTableView::item { border-bottom: 2px solid #4f4f4f; }");
}
