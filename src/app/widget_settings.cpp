// The menu entries that change the tool rather than the device: how notes and controllers
// are named (remembered in ./config.ini between runs), the user manuals, and leaving.
#include "app/widget.h"

#include "common/userprompt.h"
#include "editor/entriesahead.h"
#include "editor/vocabulary.h"
#include "ui_widget.h"
#include "update/serverpaths.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

constexpr char kSettingsFileName[] = "config.ini";
constexpr char kNamingKey[] = "selectedMIDIName";
constexpr char kShowCCNameKey[] = "showCCNameEnabled";

// The entry text is the name note 60 gets under the naming; 0 for anything else.
int namingForEntry(const QString &text)
{
    if (text == QLatin1String("C4"))
        return 1;
    if (text == QLatin1String("C3"))
        return 2;
    if (text == QLatin1String("C5"))
        return 3;
    return 0;
}

QString settingsPathHere()
{
    return QDir::current().absoluteFilePath(QLatin1String(kSettingsFileName));
}

} // namespace

void Widget::connectMenuActions()
{
    connect(openFileAction, &QAction::triggered, this, &Widget::loadConfiguration);
    connect(saveFileAction, &QAction::triggered, this, &Widget::saveConfiguration);
    connect(saveFileAsAction, &QAction::triggered, this, &Widget::saveConfigurationAs);
    connect(exitAction, &QAction::triggered, this, &Widget::confirmExit);
    for (QAction *entry : {actionC3, actionC4, actionC5})
        connect(entry, &QAction::triggered, this, [this, entry] { applyNoteNamingEntry(entry); });
    connect(showCCNameAction, &QAction::toggled, this, &Widget::showCCNameToggled);
    connect(chineseManualAction, &QAction::triggered, this, &Widget::openChineseManual);
    connect(englishManualAction, &QAction::triggered, this, &Widget::openEnglishManual);
}

void Widget::refillNoteSelectors(int naming)
{
    const QList<QComboBox *> selectors = {
        ui->switch_note_comboBox_nno, ui->expression_note_comboBox_ctl, ui->hat_note_comboBox_ctl,
        ui->expression_press_note,    ui->expression_release_note,      ui->hat_press_note,
        ui->hat_release_note};
    // Position = note number, so the chosen note stays chosen under its new name.
    QList<int> positions;
    for (QComboBox *selector : selectors)
        positions << selector->currentIndex();
    for (QComboBox *selector : selectors)
        fillNoteList(selector, naming);
    for (int i = 0; i < selectors.size(); ++i)
        selectors.at(i)->setCurrentIndex(positions.at(i));
}

void Widget::applySavedSettings()
{
    settingsFilePath = settingsPathHere();
    if (!QFileInfo::exists(settingsFilePath))
        qDebug() << "no settings file yet:" << settingsFilePath;
    QSettings saved(settingsFilePath, QSettings::IniFormat);
    const QString namingEntry = saved.value(QLatin1String(kNamingKey), QString()).toString();
    const bool showNames = saved.value(QLatin1String(kShowCCNameKey), true).toBool();

    const int switchNote = ui->switch_note_comboBox_nno->currentIndex();
    const int expressionNote = ui->expression_note_comboBox_ctl->currentIndex();
    // An unknown or missing naming leaves the menu unchecked and the editor as it started.
    if (const int naming = namingForEntry(namingEntry); naming != 0) {
        for (QAction *entry : {actionC3, actionC4, actionC5}) {
            if (entry->text() == namingEntry)
                entry->setChecked(true);
        }
        refillNoteSelectors(naming);
        NoteNaming = naming;
    }
    ui->switch_note_comboBox_nno->setCurrentIndex(switchNote);
    ui->expression_note_comboBox_ctl->setCurrentIndex(expressionNote);

    // The Hi-Hat controller list keeps the named form it was filled with.
    for (QComboBox *selector : {ui->expression_cc_comboBox_ctl, ui->switch_cc_comboBox_ctl}) {
        selector->clear();
        EntriesAhead::append(selector, controllerList(showNames));
    }
}

void Widget::applyNoteNamingEntry(QAction *entry)
{
    if (!ui) {
        qDebug() << "UI pointer is null!";
        return;
    }
    if (!entry) {
        qDebug() << "Triggered action is null!";
        return;
    }
    const int naming = namingForEntry(entry->text());
    if (naming == 0)
        return;
    refillNoteSelectors(naming);
    NoteNaming = naming;

    QSettings saved(settingsFilePath.isEmpty() ? settingsPathHere() : settingsFilePath,
                    QSettings::IniFormat);
    saved.setValue(QLatin1String(kNamingKey), entry->text());
}

void Widget::showCCNameToggled(bool checked)
{
    if (!ui) {
        qDebug() << "UI pointer is null during QAction trigger!";
        return;
    }
    const QList<QComboBox *> selectors = {ui->expression_cc_comboBox_ctl,
                                          ui->switch_cc_comboBox_ctl, ui->hat_cc_comboBox_ctl};
    QList<int> positions;
    for (QComboBox *selector : selectors)
        positions << selector->currentIndex();
    const QStringList entries = controllerList(checked);
    for (QComboBox *selector : selectors) {
        selector->clear();
        selector->addItems(entries);
    }
    for (int i = 0; i < selectors.size(); ++i) {
        const int position = positions.at(i);
        if (position >= 0 && position < selectors.at(i)->count())
            selectors.at(i)->setCurrentIndex(position);
    }

    if (settings) {
        settings->setValue(QLatin1String(kShowCCNameKey), checked);
        settings->sync();
    }
    showCCNameEnabled = checked;
}

void Widget::openEnglishManual()
{
    QDesktopServices::openUrl(UpdateServer::address(UpdateServer::englishManualPath()));
}

void Widget::openChineseManual()
{
    QDesktopServices::openUrl(UpdateServer::address(UpdateServer::chineseManualPath()));
}

void Widget::confirmExit()
{
    // Closing the window by its frame does not ask; only this entry does.
    const auto answer = UserPrompt::show(
        this, QMessageBox::Question, QStringLiteral("Exit"), QStringLiteral("Exit software?"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer == QMessageBox::Ok)
        QCoreApplication::quit();
}
