// The port-list refresh: entries by USB product name, first of equal names wins,
// removal by exact text, the selection kept; and the model masks of the status bits.
#include "link/serialport.h"

#include <QComboBox>
#include <QTest>

namespace {
struct FakeCatalog : PortCatalog
{
    QList<CatalogPort> ports;
    UsbProductNames names;
    QList<CatalogPort> availablePorts() const override { return ports; }
    UsbProductNames usbProductNames() const override { return names; }
};

CatalogPort usbPort(const QString &name, quint16 vid, quint16 pid)
{
    CatalogPort p;
    p.portName = name;
    p.hasUsbIds = true;
    p.vendorId = vid;
    p.productId = pid;
    return p;
}

QStringList texts(const QComboBox &box)
{
    QStringList t;
    for (int i = 0; i < box.count(); ++i)
        t << box.itemText(i) + '@' + box.itemData(i).toString();
    return t;
}
} // namespace

class TestPortList : public QObject
{
    Q_OBJECT

    FakeCatalog *catalog = nullptr;

    void installFake()
    {
        auto fake = std::make_unique<FakeCatalog>();
        catalog = fake.get();
        catalog->names.insert(UsbKey(0x0001, 0x1234), "Volarix ZB-8");
        catalog->names.insert(UsbKey(0x0002, 0x1234), "Volarix TRV-40");
        catalog->names.insert(UsbKey(0x0003, 0x1234), "Volarix TRV-40"); // same name, other ids
        PortCatalog::install(std::move(fake));
    }

private slots:
    void init() { installFake(); }
    void cleanup() { PortCatalog::install(nullptr); }

    void listsByProductNameAndFollowsTheCatalog()
    {
        CatalogPort builtIn;
        builtIn.portName = "ttyS0";                               // no USB ids: never listed
        CatalogPort unknown = usbPort("ttyACM9", 0x9999, 0x0001); // ids not in the device list
        catalog->ports = {builtIn, unknown, usbPort("ttyACM0", 0x1234, 0x0001),
                          usbPort("ttyACM1", 0x1234, 0x0002), usbPort("ttyACM2", 0x1234, 0x0003)};

        QComboBox box;
        SerialPort port(&box);
        QCOMPARE(texts(box), QStringList({"Volarix ZB-8@ttyACM0", "Volarix TRV-40@ttyACM1"}));

        // The selection survives refreshes that keep its entry.
        box.setCurrentIndex(1);
        port.initPort();
        QCOMPARE(box.currentText(), QString("Volarix TRV-40"));

        // Regression: the first TRV-40 goes; its entry stayed with the vanished port, so
        // Connect failed although the twin was there. The entry now carries the live port.
        catalog->ports.removeAt(3);
        port.initPort();
        QCOMPARE(texts(box), QStringList({"Volarix ZB-8@ttyACM0", "Volarix TRV-40@ttyACM2"}));
        QCOMPARE(box.currentIndex(), 1);

        // A twin coming back does not take the entry over while its port is still there.
        catalog->ports << usbPort("ttyACM1", 0x1234, 0x0002);
        port.initPort();
        QCOMPARE(texts(box), QStringList({"Volarix ZB-8@ttyACM0", "Volarix TRV-40@ttyACM2"}));
        catalog->ports.removeLast();

        // A device moving to another port name: its entry follows it, as for a twin.
        catalog->ports[2].portName = "ttyACM7";
        port.initPort();
        QCOMPARE(box.itemData(0).toString(), QString("ttyACM7"));

        // Gone from the catalog: removed; the remaining entry is selected.
        catalog->ports.removeAt(2);
        port.initPort();
        QCOMPARE(texts(box), QStringList({"Volarix TRV-40@ttyACM2"}));

        // Plugged in again: appended at the end.
        catalog->ports << usbPort("ttyACM4", 0x1234, 0x0001);
        port.initPort();
        QCOMPARE(texts(box), QStringList({"Volarix TRV-40@ttyACM2", "Volarix ZB-8@ttyACM4"}));
        QCOMPARE(box.currentText(), QString("Volarix TRV-40"));
    }

    void anInstalledCatalogIsNeverReadAhead()
    {
        // Only the system's ports are read on the worker; an installed catalog is asked on the
        // GUI thread by the first listing.
        catalog->ports = {usbPort("ttyACM0", 0x1234, 0x0001)};
        SerialPort::listPortsAhead();
        QComboBox box;
        const SerialPort port(&box);
        QVERIFY(!SerialPort::firstListingReadAhead());
        QCOMPARE(texts(box), QStringList({"Volarix ZB-8@ttyACM0"}));

        // Read from the system, then a catalog comes in before the port object is made: the
        // catalog's ports are listed, not the system's.
        PortCatalog::install(nullptr);
        SerialPort::listPortsAhead();
        installFake();
        catalog->ports = {usbPort("ttyACM3", 0x1234, 0x0002)};
        QComboBox other;
        const SerialPort second(&other);
        QVERIFY(!SerialPort::firstListingReadAhead());
        QCOMPARE(texts(other), QStringList({"Volarix TRV-40@ttyACM3"}));
    }

    void removesOnlyTheExactText()
    {
        QComboBox box;
        box.addItem("volarix zb-8", "stale"); // differs only in case: not the catalog's entry
        catalog->ports = {usbPort("ttyACM0", 0x1234, 0x0001)};
        SerialPort port(&box);
        QCOMPARE(texts(box), QStringList({"Volarix ZB-8@ttyACM0"}));
    }

    void refreshesEverySecond()
    {
        QComboBox box;
        SerialPort port(&box);
        QCOMPARE(box.count(), 0);
        catalog->ports = {usbPort("ttyACM0", 0x1234, 0x0001)};
        QTRY_COMPARE_WITH_TIMEOUT(box.count(), 1, 3000);
    }

    void masksConnectionBitsByModel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("masked");
        QTest::newRow("TRV-40 keeps two pedals") << "Volarix TRV-40" << 0xFF << 3;
        QTest::newRow("digits of 40 anywhere") << "Pedal 40X" << 0xFF << 3;
        QTest::newRow("TRV-50 keeps four pedals") << "Volarix TRV-50" << 0xFF << 15;
        QTest::newRow("digits of 50 anywhere") << "Board 50" << 0x3F << 15;
        QTest::newRow("other model unchanged") << "Volarix ZB-8" << 0xFF << 0xFF;
        QTest::newRow("case-sensitive model name") << "Volarix trv-4x" << 0xFF << 0xFF;
        QTest::newRow("negative untouched") << "Volarix TRV-40" << -1 << -1;
    }
    void masksConnectionBitsByModel()
    {
        QFETCH(QString, text);
        QFETCH(int, bits);
        QFETCH(int, masked);
        QComboBox box;
        box.addItem(text);
        QCOMPARE(maskConnectedPedals(&box, bits), masked);
    }
};

QTEST_MAIN(TestPortList)
#include "tst_portlist.moc"
