// The upgrade's pure core over images of every size that matters: how an image is cut into
// blocks, what the bar shows after each one, the digest line, and the device list's rules.
#include "upgrade/upgradecore.h"

#include <QTest>

namespace {
QByteArray patternImage(int size)
{
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 7 + 3) & 0xFF);
    return image;
}

CatalogPort usbPort(const QString &name, quint16 vid, quint16 pid)
{
    CatalogPort port;
    port.portName = name;
    port.hasUsbIds = true;
    port.vendorId = vid;
    port.productId = pid;
    return port;
}
} // namespace

class TestUpgradeCore : public QObject
{
    Q_OBJECT

private slots:
    void imageGoesOutInBlocks_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<int>("lastBlock");
        QTest::addColumn<int>("firstProgress");
        QTest::addColumn<QString>("md5");
        QTest::newRow("empty") << 0 << 0 << 0 << 0 << "d41d8cd98f00b204e9800998ecf8427e";
        QTest::newRow("one byte") << 1 << 1 << 1 << 99 << "8666683506aacd900bbd5a74ac4edf68";
        QTest::newRow("63") << 63 << 1 << 63 << 99 << "a62f6d59e837867693f042f5b8f5a236";
        QTest::newRow("one whole block")
            << 64 << 1 << 64 << 99 << "7160b8fb5e9e4023d549c3971fbaeead";
        QTest::newRow("64 + 1") << 65 << 2 << 1 << 98 << "70bd662e7aefbda85a0f7244167b7897";
        QTest::newRow("fifteen blocks and 40")
            << 1000 << 16 << 40 << 6 << "10046f077f2082ac19676b8079f1cb1a";
        QTest::newRow("64 KiB") << 65536 << 1024 << 64 << 0 << "55f3da07043d8f6f30808f9309120b1d";
    }

    void imageGoesOutInBlocks()
    {
        QFETCH(int, size);
        QFETCH(int, blocks);
        QFETCH(int, lastBlock);
        QFETCH(int, firstProgress);
        QFETCH(QString, md5);
        const QByteArray image = patternImage(size);

        // Walk the image as the transfer does: cut at bytesSent, advance by what was written.
        QByteArray sent;
        QList<int> progress;
        int count = 0;
        qint64 bytesSent = 0;
        for (QByteArray block = Upgrade::blockAt(image, 0); !block.isEmpty();
             block = Upgrade::blockAt(image, bytesSent)) {
            QVERIFY(block.size() <= Upgrade::kBlockSize);
            if (!Upgrade::blockAt(image, bytesSent + block.size()).isEmpty())
                QCOMPARE(block.size(), Upgrade::kBlockSize); // only the last may be short
            sent += block;
            bytesSent += block.size();
            progress << Upgrade::progressPercent(bytesSent, size);
            ++count;
        }
        QCOMPARE(sent, image);
        QCOMPARE(count, blocks);
        if (blocks > 0) {
            QCOMPARE(Upgrade::blockAt(image, size - lastBlock).size(), lastBlock);
            QCOMPARE(progress.first(), firstProgress);
            QCOMPARE(progress.last(), 99); // 100 waits for the settling time
            for (int i = 1; i < progress.size(); ++i)
                QVERIFY(progress.at(i) >= progress.at(i - 1));
        }
        QVERIFY(Upgrade::blockAt(image, size).isEmpty());
        QVERIFY(Upgrade::blockAt(image, -1).isEmpty());

        const Upgrade::Validation plain = Upgrade::validateFirmware(image);
        QVERIFY(plain.ok);
        QCOMPARE(plain.lines, QStringList("Firmware MD5: " + md5));
        QCOMPARE(Upgrade::validateFirmware(image, md5).lines.size(), 1);
        const Upgrade::Validation wrong =
            Upgrade::validateFirmware(image, "00000000000000000000000000000000");
        QVERIFY(!wrong.ok);
        QCOMPARE(wrong.lines,
                 QStringList({"Firmware MD5: " + md5, "<font color=\"red\">MD5 mismatch! Expected: "
                                                      "00000000000000000000000000000000</font>"}));
    }

    void progressRounding_data()
    {
        QTest::addColumn<qint64>("sent");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("shown");
        QTest::newRow("half rounds up") << qint64(1) << qint64(200) << 1;
        QTest::newRow("below half rounds down") << qint64(1) << qint64(201) << 0;
        QTest::newRow("99.5 would be 100") << qint64(995) << qint64(1000) << 99;
        QTest::newRow("all sent") << qint64(1000) << qint64(1000) << 99;
        QTest::newRow("no image") << qint64(0) << qint64(0) << 0;
    }

    void progressRounding()
    {
        QFETCH(qint64, sent);
        QFETCH(qint64, size);
        QFETCH(int, shown);
        QCOMPARE(Upgrade::progressPercent(sent, size), shown);
    }

    void stateNames()
    {
        const QStringList names = {"Idle",    "Connected",       "Erasing",
                                   "Sending", "FinishedSuccess", "FinishedFailed"};
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(upgradeStateName(UpgradeState(i)), names.at(i));
        QCOMPARE(upgradeStateName(UpgradeState(6)), QString("Unknown"));
        QCOMPARE(upgradeStateName(UpgradeState(-1)), QString("Unknown"));
    }

    void deviceScan()
    {
        UsbProductNames names;
        names.insert(UsbKey(0x10, 0x3E11), "TRV-40 Bootloader");
        names.insert(UsbKey(0x20, 0x3E11), "Volarix TRV-50 USB MIDI Pedal");
        CatalogPort adapter;
        adapter.portName = "ttyS0";
        adapter.manufacturer = "  Acme ";
        adapter.description = "Serial\t  Port ";
        QList<CatalogPort> ports = {usbPort("pts/1", 0x3E11, 0x10), usbPort("pts/2", 0x3E11, 0x20),
                                    adapter, usbPort("pts/3", 0x3E11, 0x10)};

        const Upgrade::DeviceScan scan = Upgrade::scanUpgradeDevices(ports, names);
        // The two bootloaders share a name: one entry, the later port, but both counted.
        QCOMPARE(scan.count, 3);
        QMap<QString, QString> expected;
        expected.insert("TRV-40 Bootloader", "pts/3");
        expected.insert("Acme Serial Port (ttyS0)", "ttyS0");
        QCOMPARE(scan.entries, expected);

        QMap<QString, QString> before;
        before.insert("TRV-40 Bootloader", "pts/1");
        before.insert("Gone", "pts/9");
        const Upgrade::DeviceListChange change = Upgrade::deviceListChange(before, scan.entries);
        QCOMPARE(change.removed, QStringList("Gone"));
        QCOMPARE(change.added, QStringList("Acme Serial Port (ttyS0)"));
        QCOMPARE(change.moved, QStringList("TRV-40 Bootloader"));
    }
};

QTEST_APPLESS_MAIN(TestUpgradeCore)
#include "tst_upgradecore.moc"
