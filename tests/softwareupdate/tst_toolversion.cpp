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
} // namespace

class TestToolVersion : public QObject
{
    Q_OBJECT

private slots:
    void description_data();
    void description();
    void hugeDescriptionIsReadWhole();
    void shownDescription_data();
    void shownDescription();
    void rules_data();
    void rules();
    void currentVersionFromTheAboutText();
};

void TestToolVersion::description_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("versionName");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("newVersion");

    QTest::newRow("name and description, kept untrimmed")
        << QByteArray("Tredora_V4.1.0\nUpdate content:\n- faster start  \n\n") << "Tredora_V4.1.0"
        << "- faster start  \n\n"
        << "4.1.0";
    QTest::newRow("blanks after the marker belong to it")
        << QByteArray("Tredora_V5.0 Update content: \t one line") << "Tredora_V5.0"
        << "one line"
        << "5.0";
    QTest::newRow("windows line ends")
        << QByteArray("Tredora_V4.0.4\r\nUpdate content:\r\nA\r\nB") << "Tredora_V4.0.4"
        << "A\r\nB"
        << "4.0.4";
    QTest::newRow("no marker: empty description")
        << QByteArray("Tredora_V4.1.0\nsomething changed") << "Tredora_V4.1.0"
        << ""
        << "4.1.0";
    QTest::newRow("only the first marker counts")
        << QByteArray("Tredora_V4.1\nUpdate content:a\nUpdate content:b") << "Tredora_V4.1"
        << "a\nUpdate content:b"
        << "4.1";
    QTest::newRow("the name ends where digits and dots end")
        << QByteArray("Tredora_V4.1.0beta\nUpdate content:x") << "Tredora_V4.1.0"
        << "x"
        << "4.1.0";
    QTest::newRow("marker case matters")
        << QByteArray("Tredora_V6\nupdate content: x") << "Tredora_V6"
        << ""
        << "6";
    QTest::newRow("dots only stay a name, never a path")
        << QByteArray("Tredora_V../../bin/sh") << "Tredora_V.."
        << ""
        << "..";
    QTest::newRow("UTF-8 description") << QByteArray("Tredora_V4.2\nUpdate content: 更新 ü")
                                       << "Tredora_V4.2" << QString::fromUtf8("更新 ü") << "4.2";
    QTest::newRow("binary after the name") << bytes("Tredora_V7.1\xff\xfe\x00 Update content:\x00z")
                                           << "Tredora_V7.1" << QString(QChar(0)) + "z"
                                           << "7.1";
    // No version name: nothing is newer.
    QTest::newRow("empty") << QByteArray() << ""
                           << ""
                           << "";
    QTest::newRow("blank line first") << QByteArray("\nTredora_V9.0\nUpdate content: x") << ""
                                      << ""
                                      << "";
    QTest::newRow("another product's version")
        << QByteArray("TRV-40_V9.0.0\nUpdate content: x") << ""
        << ""
        << "";
    QTest::newRow("name without digits") << QByteArray("Tredora_V\nUpdate content: x") << ""
                                         << ""
                                         << "";
    QTest::newRow("lower case name") << QByteArray("tredora_V9") << ""
                                     << ""
                                     << "";
    QTest::newRow("binary") << bytes("\x00\x01\xff\xfeTredora_V9") << ""
                            << ""
                            << "";
}

void TestToolVersion::description()
{
    QFETCH(QByteArray, text);
    const ToolUpdate update = parseToolDescription(text);
    QTEST(update.versionName, "versionName");
    QTEST(update.description, "description");
    QTEST(update.newVersion, "newVersion");
}

void TestToolVersion::hugeDescriptionIsReadWhole()
{
    const QByteArray body(16 * 1024 * 1024, 'x');
    const ToolUpdate update = parseToolDescription("Tredora_V5.0\nUpdate content: " + body);
    QCOMPARE(update.newVersion, QString("5.0"));
    QCOMPARE(update.description.size(), body.size());
}

void TestToolVersion::shownDescription_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("shown");

    const QString cut(QChar(0x2026));
    QStringList thirty;
    for (int i = 1; i <= 30; ++i)
        thirty << QString::number(i);
    const QString longLine(kShownLineLength, 'x');

    QTest::newRow("short, as found") << "Faster start\n\n- fixes "
                                     << "Faster start\n\n- fixes ";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("thirty lines") << thirty.join('\n') << thirty.join('\n');
    QTest::newRow("thirty lines and a line end") << thirty.join('\n') + '\n'
                                                 << thirty.join('\n') + '\n';
    QTest::newRow("thirty-one lines")
        << thirty.join('\n') + "\n31" << thirty.join('\n') + '\n' + cut;
    QTest::newRow("a line at the limit") << longLine << longLine;
    QTest::newRow("a longer line") << longLine + "yz\nnext" << longLine + cut + "\nnext";
    QTest::newRow("blank lines count") << QString(40, '\n') << QString(30, '\n') + cut;
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
    QTest::newRow("older") << "4.0.3"
                           << "3.9.9" << false << false;
    QTest::newRow("older minor, greater patch") << "4.1.0"
                                                << "4.0.9" << false << false;
    QTest::newRow("first difference decides") << "4.0.3"
                                              << "4.1" << false << true;
    QTest::newRow("a missing number is 0") << "4.0.3"
                                           << "4.0.3.0" << false << false;
    QTest::newRow("a fourth number") << "4.0.3"
                                     << "4.0.3.1" << false << true;
    QTest::newRow("shorter and equal") << "1.2"
                                       << "1.2.0" << false << false;
    QTest::newRow("shorter and smaller") << "1.0.2"
                                         << "1.0" << false << false;
    QTest::newRow("third number") << "1.0.2"
                                  << "1.0.3" << false << true;
    QTest::newRow("a non-numeric current number is 0") << "4.a"
                                                       << "4.0.1" << false << true;
    QTest::newRow("dots only") << "4.0.3"
                               << ".." << false << false;
    QTest::newRow("a number too big is no number") << "4.0.3"
                                                   << "99999999999999999999.0" << false << false;
}

void TestToolVersion::rules()
{
    QFETCH(QString, current);
    QFETCH(QString, offered);
    QTEST(startupCheckFindsNewer(current, offered), "atStartup");
    QTEST(manualCheckFindsNewer(current, offered), "onRequest");
    QTEST(checkFindsNewer(CheckRule::Startup, current, offered), "atStartup");
    QTEST(checkFindsNewer(CheckRule::Manual, current, offered), "onRequest");
}

void TestToolVersion::currentVersionFromTheAboutText()
{
    QCOMPARE(withoutLeadingV("V4.0.3"), QString("4.0.3"));
    QCOMPARE(withoutLeadingV("4.0.3"), QString("4.0.3"));
    QCOMPARE(withoutLeadingV("VV1"), QString("V1"));
}

QTEST_APPLESS_MAIN(TestToolVersion)
#include "tst_toolversion.moc"
