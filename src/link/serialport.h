// The application's one serial link: lists pedal devices, opens the chosen port and
// cuts what the device sends into records for the window and the upgrade dialog.
#pragma once

#include "portcatalog.h"
#include "protocol/msgpackage.h"

#include <QSerialPort>
#include <QTimer>

class QComboBox;

class SerialPort : public QSerialPort
{
    Q_OBJECT

public:
    explicit SerialPort(QComboBox *portList, QObject *parent = nullptr);

    // Reads the system's ports on the worker for the first listing of the next port object, so
    // that the window does not wait for the device tree while it is built. An installed catalog
    // is never read off the GUI thread: with one in force this does nothing.
    static void listPortsAhead();
    // Whether the last port object's first listing took the ports read ahead.
    static bool firstListingReadAhead();

    qint32 connectedPedalBits = -1;
    qint32 zb8StatusBits = -1;
    bool upgradeLink = false;

    bool openDevicePort(const QString &portName, qint32 baud);
    UsbProductNames usbProductNames() const;

    // True once the open device has hung up (unplugged, or the far end of a pty closed).
    bool deviceGone() const;

    // Presence reports, once each: portDisconnected when the port held since the last
    // openDevicePort hangs up or leaves the catalog, portReconnected when a port of that name
    // is listed again after it was seen gone. Both carry the name portName() gives.
    static constexpr int kPresencePollMs = 500;

    QByteArray pendingBytes() const { return receiveBuffer; }

public slots:
    void initPort();
    void initPort2();
    void readDataSlot();

signals:
    void pedalMidiDataSignal(Protocol::MsgPackage package);
    void send_vesion(QString version);
    void send_MTD(QString MTD);
    void send_erase(bool eraseflag);
    void showdata(QByteArray data);
    void closePortSignal();
    void portDisconnected(QString portName);
    void portReconnected(QString portName);
    void sendmtv(QString version, QString mtd);

private:
    void refreshPortList(bool logPorts);
    // The catalog's ports, or those read ahead for the first listing.
    static QList<CatalogPort> availablePorts();
    void onOwnError(QSerialPort::SerialPortError error);

    // ---- presence ----
    enum class Presence { None, Held, Gone };
    void checkPresence(const QList<CatalogPort> &ports);
    void reportGone(bool absentFromCatalog);
    void closeIfHungUp();

    // ---- receive framing (serialport_receive.cpp) ----
    void processPacket(const QByteArray &packet);
    // Bytes at the front of receiveBuffer (a pending reply) the live-frame pass has already cut.
    int liveScanned = 0;
    // ---- end of receive framing ----

    QComboBox *portList = nullptr;
    QByteArray receiveBuffer;
    QTimer portListTimer;

    Presence presence = Presence::None;
    QString watchedPort;        // as portName() gives it
    bool watchedListed = false; // Held: seen in the catalog since the opening
    bool watchedAbsent = false; // Gone: seen missing from the catalog since
    QTimer presenceTimer;
};

// Masks status bits by the model named in the port selector's current text.
int maskConnectedPedals(const QComboBox *portList, int bits);
