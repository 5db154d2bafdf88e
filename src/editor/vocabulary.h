// What the editor's selectors offer. A selector's position is the value it stands for, so
// the order and count of every list here are part of the device protocol.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

class QComboBox;

// Event and pedal-type texts are matched by text, never by position.
namespace EventText {
constexpr char CC[] = "Continuous Controllers (CC)";
constexpr char ProgramChange[] = "Program Change (PC)";
constexpr char Note[] = "NOTE";
constexpr char PitchBend[] = "Pitch Bend";
constexpr char ChannelPressure[] = "Channel Pressure";
constexpr char Stop[] = "Stop";
constexpr char Continue[] = "Continue";
constexpr char Start[] = "Start";
constexpr char Tempo[] = "Tempo";
} // namespace EventText

namespace PedalTypeText {
constexpr char Expression[] = "Expression";
constexpr char Switch[] = "Switch";
constexpr char HiHat[] = "Hi-Hat";
} // namespace PedalTypeText

constexpr char kLevelOff[] = "OFF";

// Positions selected when a list is filled, and restored by the page reset.
constexpr int kChannelDefault = 0;
constexpr int kGainDefault = 50; // "0"
constexpr int kCurveDefault = 50;
constexpr int kMinDefault = 0;
constexpr int kMaxDefault = 127;
constexpr int kPitchMaxDefault = 16383;
constexpr int kLevelDefault = 0; // "OFF"

// Until the device has been told otherwise the editor names notes with middle C as "C4".
constexpr int kEditorStartNaming = 1;

// Minimum contents length of a selector showing one of the shared lists.
constexpr int kShortListChars = 3;
constexpr int kLongListChars = 5;
constexpr int kSharedListVisibleItems = 32;

QStringList expressionEventList();
QStringList switchEventList(bool withTempo);
QStringList hatEventList();
QStringList pedalTypeList();

enum class TriggerModeSet {
    Full,         // CC, NOTE and Program Change pages
    SingleToggle, // Stop and Start pages
    SingleOnly    // Continue and Tempo pages
};
QStringList triggerModeList(TriggerModeSet set);

// The older hidden selectors that follow the Switch event lists.
QStringList legacySwitchStatusList();
QStringList legacySwitchModeList();

QStringList channelList();  // "1" … "16"
QStringList gainList();     // "-50" … "50", also the curve list
QStringList valueList127(); // "0" … "127", also the bare controller list

// "OFF", "1" … largest with the flag; "0" … largest without it.
QStringList makeNumberList(int largest, bool withOff);

QString controllerName(int number);
QString noteName(int number, int noteNaming);
QString controllerEntry(int number); // the named form, "7) Volume"
QStringList controllerList(bool named);
QStringList noteList(int noteNaming);

// Appends the 128 named controller entries; callers clear first.
void fillControllerList(QComboBox *selector);
// Clears, then appends the 128 note entries under the naming.
void fillNoteList(QComboBox *selector, int noteNaming);
// Appends the entries, then selects the default position.
void fillNumberList(QComboBox *selector, const QStringList &entries, int defaultIndex);

// A fixed number list, as makeNumberList spells it, that many selectors show at once. Each
// entry is spelt when asked for: a 16,384-entry list costs nothing until it is shown.
// Read-only, so that a selector's clear() or addItem() cannot change what every other
// selector shows.
class SharedListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    SharedListModel(int largest, bool withOff, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    bool insertRows(int row, int count, const QModelIndex &parent) override;
    bool removeRows(int row, int count, const QModelIndex &parent) override;
    bool moveRows(const QModelIndex &sourceParent, int sourceRow, int count,
                  const QModelIndex &destinationParent, int destinationChild) override;

private:
    const int entryCount;
    const bool withOff;
};

// Built on first use, once per process, owned by the application object.
SharedListModel *levelList127();
SharedListModel *levelList16383();
SharedListModel *valueList16383();

// Shows a shared list in the selector without copying it. A selector already showing the
// list keeps its position; a fresh attachment lands on entry 0. The selector drops the list
// down 32 entries at a time; one not yet on screen is set up for that when first shown.
void attachSharedList(QComboBox *selector, QAbstractItemModel *list, int minimumChars);
