// USB product names from a sysfs tree, and the device-instance id parsing used on Windows.
#include "link/usbnames.h"
#include "testdir.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>
#include <QTest>

class TestUsbNames : public QObject
{
    Q_OBJECT

private:
    static void writeFile(const QString &path, const QByteArray &content)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    static void addDevice(const QString &root, const QString &name, const QByteArray &vid,
                          const QByteArray &pid, const QByteArray &product)
    {
        QVERIFY(QDir(root).mkpath(name));
        const QString dir = root + '/' + name;
        if (!vid.isNull())
            writeFile(dir + "/idVendor", vid);
        if (!pid.isNull())
            writeFile(dir + "/idProduct", pid);
        if (!product.isNull())
            writeFile(dir + "/product", product);
    }

private slots:
    void readsNamesAndSkipsIncompleteDevices()
    {
        ScopedWorkingDir dir;
        const QString root = dir.filePath("devices");
        addDevice(root, "1-1", "1a86\n", "7523\n", "Volarix ZB-8 USB MIDI Pedal\n");
        addDevice(root, "1-2", "1a86\n", "7523\n", "Second device with same ids\n");
        addDevice(root, "1-3", "0483\n", "5740\n", "Volarix TRV-40\n");
        addDevice(root, "1-1:1.0", QByteArray(), QByteArray(), "interface without ids");
        addDevice(root, "usb1", "1d6b\n", "0002\n", QByteArray()); // hub without product
        addDevice(root, "2-1", "zz\n", "0001\n", "garbled vendor id");
        addDevice(root, "2-2", "12345\n", "0001\n", "vendor id out of range");

        const UsbProductNames names = readSysfsUsbProductNames(root);
        QCOMPARE(names.size(), 2);
        QCOMPARE(names.value(UsbKey(0x7523, 0x1a86)), QString("Volarix ZB-8 USB MIDI Pedal"));
        QCOMPARE(names.value(UsbKey(0x5740, 0x0483)), QString("Volarix TRV-40"));
    }

    void missingOrUnreadableTreeGivesNothing()
    {
        ScopedWorkingDir dir;
        QVERIFY(readSysfsUsbProductNames(dir.filePath("absent")).isEmpty());

        const QString root = dir.filePath("devices");
        addDevice(root, "1-1", "1a86", "7523", "Pedal");
        QFile product(root + "/1-1/product");
        QVERIFY(product.setPermissions(QFileDevice::WriteOwner));
        // Root reads anything; the check only means something for ordinary users.
        if (QFile(root + "/1-1/product").open(QIODevice::ReadOnly))
            QSKIP("running as root: unreadable files cannot be simulated");
        QVERIFY(readSysfsUsbProductNames(root).isEmpty());
    }

    void listsUsbSerialPortsInTreeOrder()
    {
        ScopedWorkingDir dir;
        const QString root = dir.filePath("sys");
        const QString usb = "devices/pci0000:00/0000:00:14.0/usb1";
        addDevice(root, usb, "1d6b\n", "0002\n", "xHCI Host Controller\n");
        addDevice(root, usb + "/1-1", "1a86\n", "7523\n", "Volarix ZB-8 USB MIDI Pedal\n");
        writeFile(root + '/' + usb + "/1-1/manufacturer", "Volarix\n");
        writeFile(root + '/' + usb + "/1-1/serial", "0042\n");
        addDevice(root, usb + "/1-0", "0483\n", "5740\n", "Volarix TRV-40\n");
        addDevice(root, usb + "/1-2", "0403\n", QByteArray(), "no product id\n");
        const QList<QPair<QString, QString>> ttys = {
            {"ttyACM0", usb + "/1-1/1-1:1.0/tty/ttyACM0"},
            {"ttyUSB0", usb + "/1-0/1-0:1.0/ttyUSB0/tty/ttyUSB0"}, // usb-serial: one level more
            {"ttyACM1", usb + "/1-2/1-2:1.0/tty/ttyACM1"},
            {"tty0", "devices/virtual/tty/tty0"},
            {"ttyS0", "devices/platform/serial8250/tty/ttyS0"},
            {"ttyGone", "devices/pci0000:00/gone/tty/ttyGone"}};
        QVERIFY(QDir(root).mkpath("class/tty"));
        for (const auto &[name, place] : ttys) {
            if (name != "ttyGone") // its link dangles
                QVERIFY(QDir(root).mkpath(place));
            QVERIFY(QFile::link("../../" + place, root + "/class/tty/" + name));
        }
        QVERIFY(QFile::link("../../../outside", root + "/class/tty/ttyOut"));

        const QList<CatalogPort> ports = readSysfsUsbSerialPorts(root);
        QCOMPARE(ports.size(), 2);
        QCOMPARE(ports.at(0).portName, QString("ttyUSB0")); // 1-0 comes before 1-1
        QCOMPARE(ports.at(0).location, QString("/dev/ttyUSB0"));
        QCOMPARE(int(ports.at(0).vendorId), 0x0483);
        QCOMPARE(ports.at(0).description, QString("Volarix TRV-40"));
        QCOMPARE(ports.at(1).portName, QString("ttyACM0"));
        QVERIFY(ports.at(1).hasUsbIds);
        QCOMPARE(int(ports.at(1).vendorId), 0x1a86);
        QCOMPARE(int(ports.at(1).productId), 0x7523);
        QCOMPARE(ports.at(1).description, QString("Volarix ZB-8 USB MIDI Pedal"));
        QCOMPARE(ports.at(1).manufacturer, QString("Volarix"));
        QCOMPARE(ports.at(1).serialNumber, QString("0042"));
        QVERIFY(readSysfsUsbSerialPorts(dir.filePath("absent")).isEmpty());
    }

    void agreesWithQSerialPortInfoHere()
    {
        // Whatever USB serial ports this machine has, both sources name the same ones.
        QStringList fromQt, fromSysfs;
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
            if (info.hasVendorIdentifier() && info.hasProductIdentifier())
                fromQt << QString("%1 %2:%3")
                              .arg(info.portName())
                              .arg(info.vendorIdentifier(), 4, 16, QChar('0'))
                              .arg(info.productIdentifier(), 4, 16, QChar('0'));
        }
        for (const CatalogPort &port : readSysfsUsbSerialPorts())
            fromSysfs << QString("%1 %2:%3")
                             .arg(port.portName)
                             .arg(port.vendorId, 4, 16, QChar('0'))
                             .arg(port.productId, 4, 16, QChar('0'));
        QCOMPARE(fromSysfs, fromQt);
    }

    void parsesInstanceIds_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("vid");
        QTest::addColumn<int>("pid");
        QTest::newRow("plain") << "USB\\VID_1A86&PID_7523\\5&2E0F&0&1" << true << 0x1a86 << 0x7523;
        QTest::newRow("composite interface")
            << "USB\\VID_0483&PID_5740&MI_00\\6&1" << true << 0x0483 << 0x5740;
        QTest::newRow("last token wins")
            << "USB\\VID_0001&PID_0002#VID_0003&PID_0004" << true << 0x0003 << 0x0004;
        QTest::newRow("no product id") << "USB\\VID_1A86\\5&2E0F" << false << 0 << 0;
        QTest::newRow("root hub") << "USB\\ROOT_HUB30\\4&1" << false << 0 << 0;
        QTest::newRow("empty") << "" << false << 0 << 0;
    }
    void parsesInstanceIds()
    {
        QFETCH(QString, id);
        QFETCH(bool, ok);
        QFETCH(int, vid);
        QFETCH(int, pid);
        quint16 vendor = 0, product = 0;
        QCOMPARE(parseVidPid(id, &vendor, &product), ok);
        if (ok) {
            QCOMPARE(int(vendor), vid);
            QCOMPARE(int(product), pid);
        }
    }
};

QTEST_GUILESS_MAIN(TestUsbNames)
#include "tst_usbnames.moc"
