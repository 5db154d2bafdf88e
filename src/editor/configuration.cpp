// Configuration bytes from selector positions and selector positions from a read-back reply,
// as plain functions, so every byte rule can be checked without a window.
#include "editor/configuration.h"

#include "editor/vocabulary.h"

namespace {

using Protocol::ConfigurationFields;
using Protocol::positionByte;

constexpr quint8 kNoEvent = 0xFF;
constexpr quint8 kLongPressSecond = 0x80;
constexpr int kLongPressMode = 5;
constexpr int kSingleMode = 0;
constexpr int kPitchBendPosition = 2;
constexpr int kSevenBits = 128;
constexpr int kByteRange = 256;
constexpr int kZb8StatusPedals = 6;
constexpr int kTrv50Pedals = 4;
constexpr int kTrv50AllPedals = 0x0F;

enum class NamedType { None, Expression, Switch, HiHat };

NamedType namedType(const QString &text)
{
    if (text == QLatin1String(PedalTypeText::Expression))
        return NamedType::Expression;
    if (text == QLatin1String(PedalTypeText::Switch))
        return NamedType::Switch;
    if (text == QLatin1String(PedalTypeText::HiHat))
        return NamedType::HiHat;
    return NamedType::None;
}

template<typename Page, size_t N> const Page *pageAt(const std::array<Page, N> &pages, int index)
{
    return index >= 0 && index < int(N) ? &pages[size_t(index)] : nullptr;
}

void setValues(ConfigurationFields &f, int first, int second, std::array<quint8, 2> pair)
{
    f.values[size_t(first)] = pair[0];
    f.values[size_t(second)] = pair[1];
}

void fillExpressionEvent(ConfigurationFields &f, const EditorState &s)
{
    const RangePageState *page = pageAt(s.expressionPages, s.expressionPage);
    if (!page)
        return;
    switch (s.expressionPage) {
    case ExpressionCcPage:
    case ExpressionNotePage:
        f.values[0] = positionByte(page->number);
        setValues(f, 2, 3, Protocol::rangeBytes(page->min, page->max, s.expressionInverted));
        break;
    case ExpressionPitchPage:
        f.values = Protocol::pitchBendBytes(page->min, page->max, s.expressionInverted);
        break;
    case ExpressionPressurePage:
        setValues(f, 0, 1, Protocol::rangeBytes(page->min, page->max, s.expressionInverted));
        break;
    default:
        break;
    }
    f.gain = positionByte(page->gain);
    f.curve = positionByte(page->curve);
}

void fillSwitchEvent(ConfigurationFields &f, const EditorState &s)
{
    const SwitchPageState *page = pageAt(s.switchPages, s.switchPage);
    if (!page)
        return;
    const auto pair = Protocol::switchValueBytes(page->mode, page->modeText, s.switchInverted,
                                                 page->min, page->max);
    switch (s.switchPage) {
    case SwitchCcPage:
    case SwitchNotePage:
        f.values[0] = positionByte(page->number);
        setValues(f, 2, 3, pair);
        break;
    case SwitchProgramPage:
        setValues(f, 0, 1, pair);
        break;
    default: // Stop, Continue, Start and Tempo carry no values
        break;
    }
}

void fillHatEvent(ConfigurationFields &f, const EditorState &s)
{
    const RangePageState *page = pageAt(s.hatPages, s.hatPage);
    if (!page)
        return;
    f.values[0] = positionByte(page->number);
    setValues(f, 2, 3, Protocol::rangeBytes(page->min, page->max, s.hatInverted));
    f.gain = positionByte(page->gain);
    f.curve = positionByte(page->curve);
}

// Channel of the event shown on the page of the pedal-type stack.
int channelPosition(const EditorState &s)
{
    switch (s.pedalTypePage) {
    case 0:
        if (const RangePageState *page = pageAt(s.expressionPages, s.expressionPage))
            return page->channel;
        break;
    case 1:
        // Stop, Continue, Start and Tempo have no channel.
        if (s.switchPage >= SwitchCcPage && s.switchPage <= SwitchProgramPage)
            return s.switchPages[size_t(s.switchPage)].channel;
        break;
    case 2:
        if (const RangePageState *page = pageAt(s.hatPages, s.hatPage))
            return page->channel;
        break;
    default:
        break;
    }
    return 0;
}

} // namespace

ConfigurationFields configurationFields(const EditorState &s,
                                        const QMap<QString, int> &eventTypeCodes)
{
    ConfigurationFields f;
    f.pedalIndex = positionByte(s.pedalIndex);
    f.messageIndex = positionByte(s.messageIndex);
    // The stack has exactly the three pedal-type pages; no page shown reads as no type.
    f.pedalType = s.pedalTypePage >= 0 && s.pedalTypePage <= 2 ? quint8(s.pedalTypePage + 1) : 0;
    f.channel = positionByte(channelPosition(s));

    if (const SwitchPageState *page = pageAt(s.switchPages, s.switchPage))
        f.triggerMode = positionByte(page->mode);

    if (s.pedalTypePage == 0) {
        f.triggerLevel = positionByte(s.expressionTriggerLevel);
        f.pressNote = positionByte(s.expressionPressNote);
        f.releaseNote = positionByte(s.expressionReleaseNote);
    } else if (s.pedalTypePage == 2) {
        f.triggerLevel = positionByte(s.hatTriggerLevel);
        f.pressNote = positionByte(s.hatPressNote);
        f.releaseNote = positionByte(s.hatReleaseNote);
    }

    QString eventText;
    switch (namedType(s.pedalTypeText)) {
    case NamedType::Expression:
        eventText = s.expressionEventText;
        fillExpressionEvent(f, s);
        break;
    case NamedType::Switch:
        eventText = s.switchEventText;
        fillSwitchEvent(f, s);
        break;
    case NamedType::HiHat:
        eventText = s.hatEventText;
        fillHatEvent(f, s);
        break;
    case NamedType::None:
        break;
    }
    // An event the code table does not know goes out like an empty selector.
    const auto code = eventTypeCodes.constFind(eventText);
    f.eventCode = code != eventTypeCodes.constEnd() ? positionByte(code.value()) : kNoEvent;

    f.saturationPercent = positionByte(s.saturationPercent);

    if (s.expressionEventText == QLatin1String(EventText::PitchBend)) {
        const auto level = Protocol::splitTriggerLevel(s.expressionTriggerLevel);
        f.triggerLevel = level.low;
        f.triggerLevelHigh = level.high;
    }

    if (Protocol::tempoRuleApplies(s.tempoPageEventText, s.pedalNumberText))
        Protocol::applyTempoRule(f);
    return f;
}

QByteArray buildConfiguration(const EditorState &state, const QMap<QString, int> &eventTypeCodes)
{
    return Protocol::configurationMessage(configurationFields(state, eventTypeCodes));
}

std::optional<QString> eventTextForCode(int code, const QStringList &eventTypeNames)
{
    if (code < 0 || code >= eventTypeNames.size())
        return std::nullopt;
    return eventTypeNames.at(code);
}

RangeReadBack expressionRangeReadBack(const ConfigurationFields &f, int eventPosition)
{
    const int d11 = f.values[0], d12 = f.values[1], d13 = f.values[2], d14 = f.values[3];
    switch (eventPosition) {
    case ExpressionCcPage:
    case ExpressionNotePage:
        if (d13 == 0)
            return {0, d14, false};
        if (d14 < d13)
            return {d14, d13, true};
        return {d13, d14, false};
    case ExpressionPitchPage: {
        const int a = d11 * kSevenBits + d13;
        const int b = d12 * kSevenBits + d14;
        if (b < a)
            return {b, a, true};
        return {a, b, false};
    }
    case ExpressionPressurePage:
        if (d12 < d11)
            return {d12, d11, true};
        return {d11, d12, false};
    default:
        return {};
    }
}

int expressionTriggerLevelReadBack(const ConfigurationFields &f, int eventPosition)
{
    if (eventPosition == kPitchBendPosition)
        return f.triggerLevel + f.triggerLevelHigh * kByteRange;
    return f.triggerLevel;
}

RangeReadBack switchRangeReadBack(const ConfigurationFields &f, int eventIndex)
{
    int x = 0;
    int y = 0;
    switch (eventIndex) {
    case 1: // CC
    case 3: // NOTE
        x = f.values[2];
        y = f.values[3];
        break;
    case 2: // Program Change
        x = f.values[0];
        y = f.values[1];
        break;
    default: // Stop, Continue, Start and Tempo have no range
        return {};
    }
    if (f.triggerMode == kSingleMode)
        return {x, std::nullopt, std::nullopt};
    if (f.triggerMode == kLongPressMode && y == kLongPressSecond)
        return {x, std::nullopt, true};
    if (x < y)
        return {x, y, false};
    return {y, x, true};
}

RangeReadBack hatRangeReadBack(const ConfigurationFields &f)
{
    const int d13 = f.values[2], d14 = f.values[3];
    if (d13 != 0 && d14 < d13)
        return {d14, d13, true};
    return {d13, d14, false};
}

RangeWriteOrder rangeWriteOrder(int currentMax, int newMin)
{
    return newMin <= currentMax ? RangeWriteOrder::MinFirst : RangeWriteOrder::MaxFirst;
}

SlotQueryForm checkQueryForm(const QString &deviceText, int zb8StatusBits, int connectedPedalBits,
                             int pedalIndex)
{
    const int p = pedalIndex;
    if (deviceText.contains(QLatin1String("ZB-8"), Qt::CaseInsensitive)) {
        const bool available = zb8StatusBits >= 0 && p >= 0 && p < kZb8StatusPedals;
        const bool connected = available && ((zb8StatusBits >> p) & 1) != 0;
        return available && !connected ? SlotQueryForm::Typed : SlotQueryForm::Plain;
    }
    const int b = connectedPedalBits;
    if (deviceText.contains(QLatin1String("40"))) {
        if (b != p + 1 && b != 0)
            return SlotQueryForm::Plain;
        return SlotQueryForm::Typed;
    }
    if (deviceText.contains(QLatin1String("50"))) {
        bool flag = p >= 0 && p < kTrv50Pedals && ((b >> p) & 1) != 0;
        if ((b & kTrv50AllPedals) == kTrv50AllPedals)
            flag = false;
        return flag || b == 0 ? SlotQueryForm::Typed : SlotQueryForm::Plain;
    }
    return SlotQueryForm::Plain;
}

QByteArray checkQuery(const QString &deviceText, int zb8StatusBits, int connectedPedalBits,
                      int pedalIndex, int messageIndex, int pedalTypePosition)
{
    if (checkQueryForm(deviceText, zb8StatusBits, connectedPedalBits, pedalIndex) ==
        SlotQueryForm::Typed)
        return Protocol::typedSlotQuery(pedalIndex, messageIndex, pedalTypePosition);
    return Protocol::slotQuery(pedalIndex, messageIndex);
}

std::optional<QString> setResultText(int result)
{
    switch (result) {
    case Protocol::SetSucceeded:
        return QStringLiteral("Set pedal success!");
    case Protocol::WrongPedalNumber:
        return QStringLiteral("The pedal number is wrong!");
    case Protocol::WrongPedalType:
        return QStringLiteral("Wrong pedal type!");
    case Protocol::TempoLimit:
        return QStringLiteral("Only one message configuration can be set in Tempo mode. ");
    default:
        return std::nullopt;
    }
}

QString latestReleaseText()
{
    const QString site = QLatin1String(kMakerWebsite);
    return QStringLiteral("This software is the latest release. Please ensure that your product "
                          "is using the latest firmware. Download the latest firmware from the "
                          "official website: ") +
           QStringLiteral("<a href=\"%1\"><span style=\"color:%2;\">%1</span></a>")
               .arg(site, QLatin1String(kLinkColour));
}
