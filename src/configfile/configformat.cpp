#include "configfile/configformat.h"

#include <QRegularExpression>

namespace ConfigFile {

namespace {

const QStringList kTriggerGroupExpression = {QStringLiteral("expression_trigger_level"),
                                             QStringLiteral("expression_press_note"),
                                             QStringLiteral("expression_release_note")};
const QStringList kTriggerGroupHat = {QStringLiteral("hat_trigger_level"),
                                      QStringLiteral("hat_press_note"),
                                      QStringLiteral("hat_release_note")};

QStringList expressionKeys(bool withPedalNumber)
{
    QStringList keys = {QStringLiteral("Message_Number")};
    if (withPedalNumber)
        keys << QStringLiteral("Pedal_Number");
    keys << kTriggerGroupExpression;
    keys << QStringLiteral("expression_comboBox0") << QStringLiteral("expression_comboBox1")
         << QStringLiteral("expression_comboBox2") << QStringLiteral("expression_comboBox3");
    for (const char *page : {"cc", "note"}) {
        for (const char *field : {"gain", "chl", "ctl", "valmin", "valmax", "ql"})
            keys << QStringLiteral("expression_%1_comboBox_%2")
                        .arg(QLatin1String(page), QLatin1String(field));
    }
    for (const char *field : {"gain", "chl", "valmin", "valmax", "ql"})
        keys << QStringLiteral("expression_pitch_comboBox_%1").arg(QLatin1String(field));
    for (const char *field : {"gain", "chl", "val1", "val2", "ql"})
        keys << QStringLiteral("expression_ch_comboBox_%1").arg(QLatin1String(field));
    return keys;
}

QStringList switchKeys(bool withSecondMessageNumber)
{
    QStringList keys;
    if (withSecondMessageNumber)
        keys << QStringLiteral("Message_Number_2");
    // The Tempo page (switch_comboBox6) is not stored.
    for (int i = 0; i <= 5; ++i)
        keys << QStringLiteral("switch_comboBox%1").arg(i);
    keys << QStringLiteral("switch_cc_comboBox_mode") << QStringLiteral("switch_cc_comboBox_chl")
         << QStringLiteral("switch_cc_comboBox_ctl") << QStringLiteral("switch_cc_comboBox_valmin")
         << QStringLiteral("switch_cc_comboBox_valmax");
    keys << QStringLiteral("switch_note_comboBox_mode")
         << QStringLiteral("switch_note_comboBox_chl") << QStringLiteral("switch_note_comboBox_nno")
         << QStringLiteral("switch_note_comboBox_valmin")
         << QStringLiteral("switch_note_comboBox_valmax");
    keys << QStringLiteral("switch_pc_comboBox_mode") << QStringLiteral("switch_pc_comboBox_chl")
         << QStringLiteral("switch_pc_comboBox_valmin")
         << QStringLiteral("switch_pc_comboBox_valmax");
    keys << QStringLiteral("switch_stop_comboBox_mode")
         << QStringLiteral("switch_ctu_comboBox_mode")
         << QStringLiteral("switch_start_comboBox_mode");
    return keys;
}

QStringList hatKeys()
{
    QStringList keys = kTriggerGroupHat;
    keys << QStringLiteral("hat_comboBox0") << QStringLiteral("hat_comboBox1");
    for (const char *page : {"cc", "note"}) {
        for (const char *field : {"gain", "chl", "ctl", "valmin", "valmax", "ql"})
            keys << QStringLiteral("hat_%1_comboBox_%2")
                        .arg(QLatin1String(page), QLatin1String(field));
    }
    return keys;
}

class PlanBuilder
{
public:
    explicit PlanBuilder(const char *group) : group(QLatin1String(group)) {}

    PlanBuilder &one(const QString &key)
    {
        steps.append({group, key, QString(), path(key), QString()});
        return *this;
    }
    PlanBuilder &all(const QStringList &keys)
    {
        for (const QString &key : keys)
            one(key);
        return *this;
    }
    PlanBuilder &pair(const QString &minKey, const QString &maxKey)
    {
        steps.append({group, minKey, maxKey, path(minKey), path(maxKey)});
        return *this;
    }

    QString path(const QString &key) const { return settingsPath(group, key); }

    QString group;
    QList<LoadStep> steps;
};

QString expressionField(const char *page, const char *field)
{
    return QStringLiteral("expression_%1_comboBox_%2")
        .arg(QLatin1String(page), QLatin1String(field));
}

QString switchField(const char *page, const char *field)
{
    return QStringLiteral("switch_%1_comboBox_%2").arg(QLatin1String(page), QLatin1String(field));
}

QString hatField(const char *page, const char *field)
{
    return QStringLiteral("hat_%1_comboBox_%2").arg(QLatin1String(page), QLatin1String(field));
}

QList<GroupKeys> buildWriterKeys(Writer writer)
{
    const bool saveAs = writer == Writer::SaveAs;
    return {{QLatin1String(kExpressionGroup), expressionKeys(saveAs)},
            {QLatin1String(kSwitchGroup), switchKeys(!saveAs)},
            {QLatin1String(kHatGroup), hatKeys()}};
}

QList<LoadStep> buildLoadPlan()
{
    // Choosing an event resets the trigger group and the other pages of the pedal type, so
    // each page is applied after its event and the trigger group after all the events.
    PlanBuilder expression(kExpressionGroup);
    expression.one(QStringLiteral("Message_Number")).one(QStringLiteral("Pedal_Number"));
    expression.one(QStringLiteral("expression_comboBox0"))
        .one(expressionField("cc", "gain"))
        .one(expressionField("cc", "chl"))
        .one(expressionField("cc", "ctl"))
        .pair(expressionField("cc", "valmin"), expressionField("cc", "valmax"))
        .one(expressionField("cc", "ql"));
    expression.one(QStringLiteral("expression_comboBox1"))
        .one(expressionField("note", "gain"))
        .one(expressionField("note", "chl"))
        .one(expressionField("note", "ctl"))
        .pair(expressionField("note", "valmin"), expressionField("note", "valmax"))
        .one(expressionField("note", "ql"));
    expression.one(QStringLiteral("expression_comboBox2"))
        .one(expressionField("pitch", "gain"))
        .one(expressionField("pitch", "chl"))
        .pair(expressionField("pitch", "valmin"), expressionField("pitch", "valmax"))
        .one(expressionField("pitch", "ql"));
    expression.one(QStringLiteral("expression_comboBox3"))
        .one(expressionField("ch", "gain"))
        .one(expressionField("ch", "chl"))
        .pair(expressionField("ch", "val1"), expressionField("ch", "val2"))
        .one(expressionField("ch", "ql"));
    // After the event: a Pitch Bend level needs the long level list in place.
    expression.all(kTriggerGroupExpression);

    PlanBuilder pedalSwitch(kSwitchGroup);
    pedalSwitch.one(QStringLiteral("Message_Number_2"))
        .one(QStringLiteral("switch_comboBox0"))
        .one(switchField("cc", "mode"))
        .one(switchField("cc", "chl"))
        .one(switchField("cc", "ctl"))
        .pair(switchField("cc", "valmin"), switchField("cc", "valmax"));
    pedalSwitch.one(QStringLiteral("switch_comboBox1"))
        .one(switchField("note", "mode"))
        .one(switchField("note", "chl"))
        .one(switchField("note", "nno"))
        .pair(switchField("note", "valmin"), switchField("note", "valmax"));
    pedalSwitch.one(QStringLiteral("switch_comboBox2"))
        .one(switchField("pc", "mode"))
        .one(switchField("pc", "chl"))
        .pair(switchField("pc", "valmin"), switchField("pc", "valmax"));
    pedalSwitch.one(QStringLiteral("switch_comboBox3"))
        .one(switchField("stop", "mode"))
        .one(QStringLiteral("switch_comboBox4"))
        .one(switchField("ctu", "mode"))
        .one(QStringLiteral("switch_comboBox5"))
        .one(switchField("start", "mode"));

    PlanBuilder hat(kHatGroup);
    hat.one(QStringLiteral("hat_comboBox0"))
        .one(hatField("cc", "gain"))
        .one(hatField("cc", "chl"))
        .one(hatField("cc", "ctl"))
        .pair(hatField("cc", "valmin"), hatField("cc", "valmax"));
    hat.one(QStringLiteral("hat_comboBox1"))
        .one(hatField("note", "gain"))
        .one(hatField("note", "chl"))
        .one(hatField("note", "ctl"))
        .pair(hatField("note", "valmin"), hatField("note", "valmax"));
    hat.one(hatField("cc", "ql")).one(hatField("note", "ql"));
    hat.all(kTriggerGroupHat);

    return expression.steps + pedalSwitch.steps + hat.steps;
}

} // namespace

// Both are built once and shared: every load and save walks them. Handed out as const
// references, so a range-for over them walks the one list instead of copying it.
const QList<GroupKeys> &writerKeys(Writer writer)
{
    static const QList<GroupKeys> saveAs = buildWriterKeys(Writer::SaveAs);
    static const QList<GroupKeys> save = buildWriterKeys(Writer::Save);
    return writer == Writer::SaveAs ? saveAs : save;
}

QString settingsPath(const QString &group, const QString &key)
{
    return group + QLatin1Char('/') + key;
}

const QList<LoadStep> &loadPlan()
{
    static const QList<LoadStep> plan = buildLoadPlan();
    return plan;
}

QString withIniSuffix(const QString &fileName)
{
    static const QString suffix = QStringLiteral(".ini");
    if (fileName.endsWith(suffix, Qt::CaseInsensitive))
        return fileName;
    return fileName + suffix;
}

bool setsMinimumFirst(int storedMinimum, int currentMaximum)
{
    return storedMinimum < currentMaximum;
}

int positionFromValue(const QVariant &value)
{
    // A file read from disk gives texts; one this process just wrote comes back from the
    // settings cache as the int it was. QVariant::toInt() would wrap a too-big text number
    // into some valid-looking position, so texts are parsed here.
    constexpr int noEntry = -1;
    if (value.userType() == QMetaType::Int)
        return value.toInt();
    if (value.userType() != QMetaType::QString)
        return 0;
    const QString text = value.toString().trimmed();
    bool ok = false;
    const int position = text.toInt(&ok, 10);
    if (ok)
        return position;
    // Digits that overflow an int are still a number, just none that names an entry.
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    return decimal.match(text).hasMatch() ? noEntry : 0;
}

} // namespace ConfigFile
