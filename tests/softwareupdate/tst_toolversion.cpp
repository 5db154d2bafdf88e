// The tool's reading of its update description and its two version rules, row by row.
#include "update/toolversion.h"

#include <QTest>

using namespace ToolVersion;

namespace {
// Literals with NUL bytes inside.
template<size_t N> QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, int(N) - 1);
}

void descriptionRow(const char *name, const QByteArray &text, const QString &versionName = {},
                    const QString &description = {}, const QString &newVersion = {})
{
    QTest::newRow(name) << text << versionName << description << newVersion;
}
} // namespace

class TestToolVersion : public QObject
{
    Q_OBJECT

private slots:
    void description_data();
    void description();
    void shownDescription_data();
    void shownDescription();
    void rules_data();
    void rules();
};

void TestToolVersion::description_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("versionName");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("newVersion");

    descriptionRow("untrimmed description", "Tredora_V4.1.0\nUpdate content:\n- faster  \n\n",
                   "Tredora_V4.1.0", "- faster  \n\n", "4.1.0");
    descriptionRow("no marker: empty description", "Tredora_V4.1.0\nchanged", "Tredora_V4.1.0", "",
                   "4.1.0");
    descriptionRow("the name ends with the digits and dots", "Tredora_V4.1b Update content:x",
                   "Tredora_V4.1", "x", "4.1");
    descriptionRow("dots only stay a name, never a path", "Tredora_V../../bin/sh", "Tredora_V..",
                   "", "..");
    // Regression: decoding stopped at the first NUL byte.
    descriptionRow("binary after the name", bytes("Tredora_V7.1\xff\x00 Update content:\x00z"),
                   "Tredora_V7.1", QString(QChar(0)) + "z", "7.1");
    // No version name: nothing is newer.
    descriptionRow("empty", QByteArray());
    descriptionRow("blank line first", "\nTredora_V9.0\nUpdate content: x");
    descriptionRow("another product's version", "TRV-40_V9.0.0\nUpdate content: x");
    descriptionRow("name without digits", "Tredora_V\nUpdate content: x");
    descriptionRow("binary", bytes("\x00\x01\xff\xfeTredora_V9"));
}

void TestToolVersion::description()
{
    QFETCH(QByteArray, text);
    const ToolUpdate update = parseToolDescription(text);
    QTEST(update.versionName, "versionName");
    QTEST(update.description, "description");
    QTEST(update.newVersion, "newVersion");
}

void TestToolVersion::shownDescription_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("shown");

    const QString cut(QChar(0x2026));
    QStringList thirty;
    for (int i = 1; i <= kShownLines; ++i)
        thirty << QString::number(i);
    const QString lines = thirty.join('\n');
    const QString longLine(kShownLineLength, 'x');

    QTest::newRow("short, as found") << "Faster\n\n- fixes "
                                     << "Faster\n\n- fixes ";
    QTest::newRow("thirty lines and a line end") << lines + '\n' << lines + '\n';
    QTest::newRow("thirty-one lines") << lines + "\n31" << lines + '\n' + cut;
    QTest::newRow("a line at the limit") << longLine << longLine;
    QTest::newRow("a longer line") << longLine + "yz\nnext" << longLine + cut + "\nnext";
}

void TestToolVersion::shownDescription()
{
    QFETCH(QString, description);
    QTEST(ToolVersion::shownDescription(description), "shown");
}

void TestToolVersion::rules_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("offered");
    QTest::addColumn<bool>("atStartup");
    QTest::addColumn<bool>("onRequest");

    QTest::newRow("4.0.4: a patch only counts on request") << "4.0.3"
                                                           << "4.0.4" << false << true;
    QTest::newRow("5.0: a new major counts everywhere") << "4.0.3"
                                                        << "5.0" << true << true;
    QTest::newRow("4.9.9 is no new major") << "4.0.3"
                                           << "4.9.9" << false << true;
    QTest::newRow("5.0.0") << "4.0.3"
                           << "5.0.0" << true << true;
    QTest::newRow("10.0 is a number, not text") << "4.0.3"
                                                << "10.0" << true << true;
    QTest::newRow("same version") << "4.0.3"
                                  << "4.0.3" << false << false;
    QTest::newRow("older") << "4.1.0"
                           << "4.0.9" << false << false;
    QTest::newRow("a missing number is 0") << "4.0.3"
                                           << "4.0.3.0" << false << false;
    QTest::newRow("shorter and equal") << "1.2"
                                       << "1.2.0" << false << false;
    QTest::newRow("shorter and smaller") << "1.0.2"
                                         << "1.0" << false << false;
    QTest::newRow("third number") << "1.0.2"
                                  << "1.0.3" << false << true;
    QTest::newRow("a non-numeric number is 0") << "4.a"
                                               << "4.0.1" << false << true;
}

void TestToolVersion::rules()
{
    QFETCH(QString, current);
    QFETCH(QString, offered);
    QTEST(checkFindsNewer(CheckRule::Startup, current, offered), "atStartup");
    QTEST(checkFindsNewer(CheckRule::Manual, current, offered), "onRequest");
    QCOMPARE(withoutLeadingV("V" + current), current);
}

QTEST_APPLESS_MAIN(TestToolVersion)
#include "tst_toolversion.moc"
