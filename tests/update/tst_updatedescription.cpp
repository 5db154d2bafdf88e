// The update server's paths and model tables, both firmware readers' parsing and comparison
// rules, and the base-address seam: all plain functions, no network.
#include "update/serverpaths.h"
#include "update/updatedescription.h"

#include <QHostAddress>
#include <QtTest>

using namespace UpdateDescription;

class TestUpdateDescription : public QObject
{
    Q_OBJECT

private slots:
    void versionNumbersOfNames_data();
    void versionNumbersOfNames();
    void comparisonRules_data();
    void comparisonRules();
    void readersParse_data();
    void readersParse();
    void hugeInputsStayLinear();
    void modelTables();
    void paths();
    void baseAddressSeam_data();
    void baseAddressSeam();
};

void TestUpdateDescription::versionNumbersOfNames_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QVector<int>>("numbers");
    QTest::newRow("bare") << "V1.0.2" << QVector<int>{1, 0, 2};
    // Regression: the "V" of "TRV" is not the version's; read literally this gave 0, 0, 3.
    QTest::newRow("TRV name") << "TRV-40_V1.0.3" << QVector<int>{1, 0, 3};
    QTest::newRow("ZB name") << "ZB-4_V2.1" << QVector<int>{2, 1};
    QTest::newRow("tool name") << "Tredora_V4.1.0" << QVector<int>{4, 1, 0};
    QTest::newRow("no V") << "1.0.2" << QVector<int>{};
    QTest::newRow("lower-case v") << "v1.0" << QVector<int>{};
    QTest::newRow("only V") << "V" << QVector<int>{0};
    QTest::newRow("not a number") << "V1.x.3" << QVector<int>{1, 0, 3};
    QTest::newRow("empty part") << "TRV-60_V1..2" << QVector<int>{1, 0, 2};
    QTest::newRow("sign") << "V-1.+2" << QVector<int>{0, 0};
    QTest::newRow("largest int") << "V2147483647.1" << QVector<int>{2147483647, 1};
    QTest::newRow("overflow") << "V2147483648.1" << QVector<int>{0, 1};
    QTest::newRow("trailing text") << "V1.0.2 beta" << QVector<int>{1, 0, 0};
}

void TestUpdateDescription::versionNumbersOfNames()
{
    QFETCH(QString, version);
    QFETCH(QVector<int>, numbers);
    QCOMPARE(versionNumbers(version), numbers);
}

void TestUpdateDescription::comparisonRules_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("versionName");
    QTest::addColumn<bool>("dialogNewer");
    QTest::addColumn<bool>("windowNewer");
    QTest::newRow("third position") << "V1.0.2"
                                    << "TRV-40_V1.0.3" << true << false;
    QTest::newRow("shorter server version") << "V1.0.2"
                                            << "TRV-40_V1.0" << false << false;
    QTest::newRow("missing position is 0") << "V1.2"
                                           << "TRV-40_V1.2.0" << false << false;
    QTest::newRow("third ignored by window") << "V1.2.5"
                                             << "TRV-40_V1.2.9" << true << false;
    QTest::newRow("second number") << "V1.2.5"
                                   << "TRV-40_V1.3" << true << true;
    QTest::newRow("first number") << "V1.9.9"
                                  << "TRV-50_V2.0" << true << true;
    QTest::newRow("older") << "V2.0"
                           << "ZB-4_V1.9.9" << false << false;
    QTest::newRow("equal") << "V1.0.3"
                           << "ZB-5_V1.0.3" << false << false;
    QTest::newRow("window missing second") << "V1"
                                           << "TRV-40_V1.1" << true << true;
    QTest::newRow("no version name") << "V1.0"
                                     << "" << false << false;
    QTest::newRow("numbers beat text") << "V1.10"
                                       << "TRV-40_V1.9" << false << false;
}

void TestUpdateDescription::comparisonRules()
{
    QFETCH(QString, current);
    QFETCH(QString, versionName);
    QFETCH(bool, dialogNewer);
    QFETCH(bool, windowNewer);
    QCOMPARE(upgradeDialogFindsNewer(current, versionName), dialogNewer);
    QCOMPARE(mainWindowFindsNewer(current, versionName), windowNewer);
}

void TestUpdateDescription::readersParse_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("versionName");
    QTest::addColumn<QString>("dialogContent");
    QTest::addColumn<QString>("windowContent");

    QTest::newRow("usual") << QByteArray(
                                  "TRV-40_V1.0.3\r\nUpdate content:\r\n1. Faster\r\n2. Fix \r\n")
                           << "TRV-40"
                           << "TRV-40_V1.0.3"
                           << "1. Faster\r\n2. Fix"
                           << "1. Faster\r\n2. Fix \r\n";
    QTest::newRow("leading blank line")
        << QByteArray("\nTRV-40_V1.0.3\nUpdate content: x") << "TRV-40"
        << ""
        << "x"
        << "x";
    QTest::newRow("leading blank") << QByteArray(" ZB-5_V1.0") << "ZB-5"
                                   << ""
                                   << ""
                                   << "";
    QTest::newRow("marker then only white space")
        << QByteArray("ZB-4_V2.1\nUpdate content:  \r\n\t \n") << "ZB-4"
        << "ZB-4_V2.1"
        << ""
        << "";
    QTest::newRow("no marker") << QByteArray("TRV-50_V1.1\nFixes") << "TRV-50"
                               << "TRV-50_V1.1"
                               << ""
                               << "";
    QTest::newRow("marker case") << QByteArray("TRV-50_V1.1\nupdate content: x") << "TRV-50"
                                 << "TRV-50_V1.1"
                                 << ""
                                 << "";
    QTest::newRow("another model") << QByteArray("TRV-50_V9.0\nUpdate content: x") << "TRV-40"
                                   << ""
                                   << "x"
                                   << "x";
    QTest::newRow("name stops at first other character")
        << QByteArray("TRV-40_V1.0.3abc") << "TRV-40"
        << "TRV-40_V1.0.3"
        << ""
        << "";
    QTest::newRow("no digits") << QByteArray("TRV-40_V\n") << "TRV-40"
                               << ""
                               << ""
                               << "";
    QTest::newRow("first marker wins")
        << QByteArray("HKL-9_V1\nUpdate content: a\nUpdate content: b") << "HKL-9"
        << "HKL-9_V1"
        << "a\nUpdate content: b"
        << "a\nUpdate content: b";
    QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBFTRV-40_V1.0") << "TRV-40"
                                             << "TRV-40_V1.0"
                                             << ""
                                             << "";
    QTest::newRow("not text") << QByteArray("\xff\xfe\x00\x01TRV-40_V1", 9) << "TRV-40"
                              << ""
                              << ""
                              << "";
    QTest::newRow("empty") << QByteArray() << "TRV-40"
                           << ""
                           << ""
                           << "";
}

void TestUpdateDescription::readersParse()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, model);
    QFETCH(QString, versionName);
    QFETCH(QString, dialogContent);
    QFETCH(QString, windowContent);

    const Description dialog = forUpgradeDialog(file, model);
    QCOMPARE(dialog.versionName, versionName);
    QCOMPARE(dialog.content, dialogContent);

    const Description window = forMainWindow(file, versionPatternFor(model));
    QCOMPARE(window.versionName, versionName);
    QCOMPARE(window.content, windowContent);
    // The main window's table spells its patterns out; they read the same as the generic one.
    if (const UpdateServer::WindowModel *entry = UpdateServer::mainWindowModelFor(model))
        QCOMPARE(forMainWindow(file, entry->versionPattern).versionName, versionName);
}

void TestUpdateDescription::hugeInputsStayLinear()
{
    // A quadratic pass over these would outlast the test's time limit by far.
    QByteArray dots = "TRV-40_V" + QByteArray(2000000, '.') + "1\nUpdate content:";
    dots += QByteArray(2000000, ' ') + "end";
    const Description window = forMainWindow(dots, versionPatternFor("TRV-40"));
    QCOMPARE(window.versionName.size(), 2000001 + 8);
    QCOMPARE(window.content, QString("end"));
    const QVector<int> numbers = versionNumbers(window.versionName);
    QCOMPARE(numbers.size(), 2000001);
    QCOMPARE(numbers.last(), 1);
    QVERIFY(upgradeDialogFindsNewer("V0", window.versionName));
    QVERIFY(!mainWindowFindsNewer("V0", window.versionName));

    const QString digits = "ZB-5_V" + QString(1000000, '9');
    QCOMPARE(versionNumbers(digits), QVector<int>{0});
    QCOMPARE(forUpgradeDialog(digits.toUtf8(), "ZB-5").versionName, digits);
}

void TestUpdateDescription::modelTables()
{
    using namespace UpdateServer;
    QStringList dialog;
    for (const DialogModel &m : upgradeDialogModels())
        dialog << m.key + " " + m.descriptionPath;
    QCOMPARE(dialog, QStringList({"TRV-40 /download/Product/TRV-40/Update/TRV-40_Update.txt",
                                  "TRV-50 /download/Product/TRV-50/Update/TRV-50_Update.txt",
                                  "ZB-5 /download/Product/ZB-5/Update/ZB-5_Update.txt",
                                  "ZB-4 /download/Product/ZB-4/Update/ZB-FOUR_Update.txt",
                                  "QDN-70 /download/Product/QDN-70/Update/QDN-70_Update.txt",
                                  "HKL-9 /download/Product/HKL-9/Update/HKL-9_Update.txt"}));
    QStringList window;
    for (const WindowModel &m : mainWindowModels())
        window << QString::number(m.index) + " " + m.name + " " + m.descriptionPath + " " +
                      m.versionPattern;
    QCOMPARE(window,
             QStringList({"1 TRV-40 /download/Product/TRV-40/Update/TRV-40_Update.txt "
                          "^(TRV-40_V[\\d\\.]+)",
                          "2 TRV-50 /download/Product/TRV-50/Update/TRV-50_Update.txt "
                          "^(TRV-50_V[\\d\\.]+)",
                          "3 TRV-60 /download/Product/TRV-60/Update/TRV-60_Update.txt "
                          "^(TRV-60_V[\\d\\.]+)",
                          "4 ZB-5 /download/Product/ZB-5/Update/ZB-5_Update.txt ^(ZB-5_V[\\d\\.]+)",
                          "5 ZB-4 /download/Product/ZB-4/Update/ZB-FOUR_Update.txt "
                          "^(ZB-4_V[\\d\\.]+)"}));

    // Look-ups: first entry of each table contained in the reported model, case-sensitive.
    const auto dialogKey = [](const char *model) {
        const DialogModel *m = upgradeDialogModelFor(model);
        return m ? m->key : QString();
    };
    const auto windowName = [](const char *model) {
        const WindowModel *m = mainWindowModelFor(model);
        return m ? m->name : QString();
    };
    QCOMPARE(dialogKey("TRV-40"), QString("TRV-40"));
    QCOMPARE(dialogKey("Volarix ZB-4 Boot"), QString("ZB-4"));
    QCOMPARE(dialogKey("QDN-70"), QString("QDN-70"));
    QCOMPARE(dialogKey("TRV-60"), QString());
    QCOMPARE(dialogKey("trv-40"), QString());
    QCOMPARE(windowName("TRV-60"), QString("TRV-60"));
    QCOMPARE(windowName("QDN-70"), QString());
    QCOMPARE(windowName("ZB-5"), QString("ZB-5"));
    QCOMPARE(mainWindowModelFor("ZB-4")->index, 5);
}

void TestUpdateDescription::paths()
{
    using namespace UpdateServer;
    QCOMPARE(firmwareImagePath("TRV-40", "TRV-40_V1.0.3"),
             QString("/download/Product/TRV-40/Update/TRV-40_V1.0.3.bin"));
    QCOMPARE(toolDescriptionPath(),
             QString("/download/Product/Tredora/Update/Tredora_UpdateWin.txt"));
    QCOMPARE(installerPath("4.1.0"),
             QString("/download/Product/Tredora/Update/Tredora_V4.1.0.exe"));
    QCOMPARE(baseAddress(), QString(TREDORA_UPDATE_SERVER));
    QVERIFY(baseAddress().startsWith("https://"));
    QVERIFY(QHostAddress(QUrl(baseAddress()).host()).isLoopback());
    QCOMPARE(address(firmwareImagePath("ZB-4", "ZB-4_V2")).toEncoded(),
             QByteArray(TREDORA_UPDATE_SERVER "/download/Product/ZB-4/Update/ZB-4_V2.bin"));
}

void TestUpdateDescription::baseAddressSeam_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("taken");
    QTest::newRow("local with port") << "https://127.0.0.1:4443"
                                     << "https://127.0.0.1:4443";
    QTest::newRow("trailing slash") << "https://localhost/"
                                    << "https://localhost";
    QTest::newRow("plain http") << "http://127.0.0.1:4443"
                                << "";
    QTest::newRow("other scheme") << "ftp://127.0.0.1"
                                  << "";
    QTest::newRow("no scheme") << "127.0.0.1:4443"
                               << "";
    QTest::newRow("no host") << "https://"
                             << "";
    QTest::newRow("path") << "https://127.0.0.1/download"
                          << "";
    QTest::newRow("user") << "https://me@127.0.0.1"
                          << "";
    QTest::newRow("query") << "https://127.0.0.1?x=1"
                           << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestUpdateDescription::baseAddressSeam()
{
    QFETCH(QString, address);
    QFETCH(QString, taken);
    const QString before = UpdateServer::baseAddress();
    if (taken.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Update server address refused"));
    QCOMPARE(UpdateServer::setBaseAddress(address), !taken.isEmpty());
    QCOMPARE(UpdateServer::baseAddress(), taken.isEmpty() ? before : taken);
    if (!taken.isEmpty()) {
        QCOMPARE(UpdateServer::address("/download/x.txt").toString(), taken + "/download/x.txt");
        QVERIFY(UpdateServer::setBaseAddress(before));
    }
}

QTEST_APPLESS_MAIN(TestUpdateDescription)
#include "tst_updatedescription.moc"
