// The lists and name look-ups of the editor and the live monitor.
#include "editor/vocabulary.h"

#include "editor/entriesahead.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QListView>
#include <QPointer>

#include <array>

namespace {

constexpr int kMidiValueCount = 128;
constexpr int kChannelCount = 16;
constexpr int kGainSpan = 50;
constexpr int kNotesPerOctave = 12;
constexpr char kDropDownRule[] = "combobox-popup: 0;";

const std::array<const char *, kMidiValueCount> &controllerNames()
{
    static const std::array<const char *, kMidiValueCount> names = [] {
        std::array<const char *, kMidiValueCount> n{};
        n.fill("***");
        n[0] = "Bank MSB";
        n[1] = "Modulation";
        n[2] = "Breath";
        n[4] = "Foot Controller";
        n[5] = "Portamento Time";
        n[6] = "Data Entry MSB";
        n[7] = "Volume";
        n[8] = "Balance";
        n[10] = "PAN";
        n[11] = "Expression";
        n[32] = "Bank LSB";
        n[38] = "Data Entry LSB";
        n[64] = "Pedal (Sustain)";
        n[65] = "Portamento";
        n[66] = "Pedal-Sostenuto";
        n[67] = "Pedal-Soft";
        n[69] = "Hold 2";
        n[71] = "Harmonic Content";
        n[72] = "Release Time";
        n[73] = "Attack Time";
        n[74] = "Brightness";
        n[84] = "Portamento Ctrl";
        n[91] = "Reverb Depth";
        n[92] = "Tremolo Depth";
        n[93] = "Chorus Depth";
        n[94] = "Celeste Depth";
        n[95] = "Phaser Depth";
        n[96] = "Data Increment";
        n[97] = "Data Decrement";
        n[98] = "NRPN LSB";
        n[99] = "NRPN MSB";
        n[100] = "RPN LSB";
        n[101] = "RPN MSB";
        n[120] = "All Sound Off";
        n[121] = "Reset Cntrl";
        n[122] = "Local Cntrl";
        n[123] = "All Notes Off";
        n[124] = "Omni Off";
        n[125] = "Omni On";
        n[126] = "Mono On";
        n[127] = "Poly On";
        return n;
    }();
    return names;
}

QStringList rangeList(int first, int last)
{
    QStringList list;
    list.reserve(last - first + 1);
    for (int i = first; i <= last; ++i)
        list.append(QString::number(i));
    return list;
}

// The models outlive every window but not the application object.
SharedListModel *sharedList(QPointer<SharedListModel> &slot, int largest, bool withOff)
{
    if (!slot)
        slot = new SharedListModel(largest, withOff, QCoreApplication::instance());
    return slot;
}

} // namespace

QStringList expressionEventList()
{
    return {EventText::CC, EventText::Note, EventText::PitchBend, EventText::ChannelPressure};
}

QStringList switchEventList(bool withTempo)
{
    QStringList list{EventText::CC,   EventText::ProgramChange, EventText::Note,
                     EventText::Stop, EventText::Continue,      EventText::Start};
    if (withTempo)
        list.append(EventText::Tempo);
    return list;
}

QStringList hatEventList()
{
    return {EventText::CC, EventText::Note};
}

QStringList pedalTypeList()
{
    return {PedalTypeText::Expression, PedalTypeText::Switch, PedalTypeText::HiHat};
}

QStringList triggerModeList(TriggerModeSet set)
{
    switch (set) {
    case TriggerModeSet::Full:
        return {"Single", "Toggle", "Reset", "Increase", "Decrease", "LongPress"};
    case TriggerModeSet::SingleToggle:
        return {"Single", "Toggle"};
    case TriggerModeSet::SingleOnly:
        break;
    }
    return {"Single"};
}

QStringList legacySwitchStatusList()
{
    return {EventText::Stop, EventText::Continue, EventText::Start};
}

QStringList legacySwitchModeList()
{
    return {"Single", "Toggle", "Reset", "Increase", "Decrease"};
}

// The fixed lists are spelled once: a QStringList is shared, so every later copy is free and
// a selector filled from it shares its texts too.
QStringList channelList()
{
    static const QStringList list = rangeList(1, kChannelCount);
    return list;
}

QStringList gainList()
{
    static const QStringList list = rangeList(-kGainSpan, kGainSpan);
    return list;
}

QStringList valueList127()
{
    static const QStringList list = rangeList(0, kMidiValueCount - 1);
    return list;
}

QStringList makeNumberList(int largest, bool withOff)
{
    if (!withOff)
        return rangeList(0, largest);
    QStringList list;
    list.reserve(largest > 0 ? largest + 1 : 1);
    list.append(QLatin1String(kLevelOff));
    for (int i = 1; i <= largest; ++i)
        list.append(QString::number(i));
    return list;
}

QString controllerName(int number)
{
    if (number < 0 || number >= kMidiValueCount)
        return QStringLiteral("Invalid CC");
    return QLatin1String(controllerNames()[static_cast<size_t>(number)]);
}

QString noteName(int number, int noteNaming)
{
    static const char *const pitchClasses[kNotesPerOctave] = {"C",  "C#", "D",  "D#", "E",  "F",
                                                              "F#", "G",  "G#", "A",  "A#", "B"};
    if (number < 0 || number >= kMidiValueCount)
        return QStringLiteral("Invalid Note");
    int offset = 0;
    switch (noteNaming) {
    case 1:
        offset = -1;
        break;
    case 2:
        offset = -2;
        break;
    case 3:
        offset = 0;
        break;
    default:
        return QString();
    }
    const int octave = number / kNotesPerOctave + offset;
    return QLatin1String(pitchClasses[number % kNotesPerOctave]) + QString::number(octave);
}

QString controllerEntry(int number)
{
    return QString::number(number) + QStringLiteral(") ") + controllerName(number);
}

QStringList controllerList(bool named)
{
    if (!named)
        return valueList127();
    static const QStringList list = [] {
        QStringList entries;
        entries.reserve(kMidiValueCount);
        for (int i = 0; i < kMidiValueCount; ++i)
            entries.append(controllerEntry(i));
        return entries;
    }();
    return list;
}

namespace {
QStringList spellNoteList(int noteNaming)
{
    QStringList list;
    list.reserve(kMidiValueCount);
    for (int i = 0; i < kMidiValueCount; ++i)
        list.append(QStringLiteral("%1 / %2").arg(i).arg(noteName(i, noteNaming)));
    return list;
}
} // namespace

QStringList noteList(int noteNaming)
{
    switch (noteNaming) {
    case 1: {
        static const QStringList list = spellNoteList(1);
        return list;
    }
    case 2: {
        static const QStringList list = spellNoteList(2);
        return list;
    }
    case 3: {
        static const QStringList list = spellNoteList(3);
        return list;
    }
    default:
        return spellNoteList(noteNaming);
    }
}

void fillControllerList(QComboBox *selector)
{
    if (selector)
        EntriesAhead::append(selector, controllerList(true));
}

void fillNoteList(QComboBox *selector, int noteNaming)
{
    if (!selector)
        return;
    selector->clear();
    EntriesAhead::append(selector, noteList(noteNaming));
}

void fillNumberList(QComboBox *selector, const QStringList &entries, int defaultIndex)
{
    if (!selector)
        return;
    EntriesAhead::append(selector, entries);
    selector->setCurrentIndex(defaultIndex);
}

SharedListModel::SharedListModel(int largest, bool withOff, QObject *parent)
    : QAbstractListModel(parent), entryCount(withOff ? qMax(largest, 0) + 1 : qMax(largest + 1, 0)),
      withOff(withOff)
{}

int SharedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : entryCount;
}

QVariant SharedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= entryCount)
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    if (withOff && index.row() == 0)
        return QString(QLatin1String(kLevelOff));
    return QString::number(index.row());
}

Qt::ItemFlags SharedListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool SharedListModel::setData(const QModelIndex &, const QVariant &, int)
{
    return false;
}

bool SharedListModel::insertRows(int, int, const QModelIndex &)
{
    return false;
}

bool SharedListModel::removeRows(int, int, const QModelIndex &)
{
    return false;
}

bool SharedListModel::moveRows(const QModelIndex &, int, int, const QModelIndex &, int)
{
    return false;
}

SharedListModel *levelList127()
{
    static QPointer<SharedListModel> model;
    return sharedList(model, kMidiValueCount - 1, true);
}

SharedListModel *levelList16383()
{
    static QPointer<SharedListModel> model;
    return sharedList(model, kPitchMaxDefault, true);
}

SharedListModel *valueList16383()
{
    static QPointer<SharedListModel> model;
    return sharedList(model, kPitchMaxDefault, false);
}

namespace {
// A plain drop-down honours the 32 visible entries; the style's pop-up form would ignore them
// and measure every entry to place the current one over the selector. The size policy keeps
// the size hint from walking the entries of a long list.
void giveLongListDropDown(QComboBox *selector, int minimumChars)
{
    // The rule goes first: set after the popup exists, it would style the popup a second time.
    const QString dropDown = QLatin1String(kDropDownRule);
    if (!selector->styleSheet().contains(dropDown))
        selector->setStyleSheet(selector->styleSheet() + dropDown);
    selector->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    selector->setMinimumContentsLength(minimumChars);
    selector->setMaxVisibleItems(kSharedListVisibleItems);
    if (auto *listView = qobject_cast<QListView *>(selector->view()))
        listView->setUniformItemSizes(true);
}

// Both the rule and the policy make Qt build the selector's popup, which costs as much as a
// dozen plain selectors. A selector off screen gets its drop-down when it is first shown, the
// earliest it can be opened; until then it keeps the size hint it had before the list came.
class DropDownOnFirstShow : public QObject
{
public:
    static void request(QComboBox *selector, int minimumChars)
    {
        DropDownOnFirstShow *pending = nullptr;
        for (QObject *child : selector->children())
            if ((pending = dynamic_cast<DropDownOnFirstShow *>(child)))
                break;
        if (!pending)
            pending = new DropDownOnFirstShow(selector);
        pending->minimumChars = minimumChars;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            giveLongListDropDown(static_cast<QComboBox *>(watched), minimumChars);
            deleteLater();
        }
        return false;
    }

private:
    explicit DropDownOnFirstShow(QComboBox *selector) : QObject(selector)
    {
        selector->installEventFilter(this);
    }

    int minimumChars = 0;
};
} // namespace

void attachSharedList(QComboBox *selector, QAbstractItemModel *list, int minimumChars)
{
    if (!selector || !list)
        return;
    const bool hasDropDown = selector->sizeAdjustPolicy() != QComboBox::AdjustToContentsOnFirstShow;
    if (selector->isVisible() || hasDropDown)
        giveLongListDropDown(selector, minimumChars);
    else
        DropDownOnFirstShow::request(selector, minimumChars);
    if (selector->model() != list)
        selector->setModel(list);
}
