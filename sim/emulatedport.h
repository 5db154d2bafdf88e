// What every emulated USB serial device shares: its USB identity and the master side of a
// pseudo-terminal whose slave side the tool opens as the device's port. The pedal and its
// bootloader build their protocols on top.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

class EmulatedPort : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 kDefaultVendorId = 0x3E11;

    ~EmulatedPort() override;
    EmulatedPort(const EmulatedPort &) = delete;
    EmulatedPort &operator=(const EmulatedPort &) = delete;

    // ---- identity ----
    quint16 vendorId() const { return usbVendorId; }
    quint16 productId() const { return usbProductId; }
    QString productName() const { return usbProductName; }
    void setProductName(const QString &name) { usbProductName = name; }

    // ---- presence ----
    bool isPlugged() const { return masterFd >= 0; }
    // The port name the catalog lists and the tool opens: the stable name when one is set,
    // else the pseudo-terminal (for example /dev/pts/7); empty while unplugged.
    QString portName() const;
    QString terminalPath() const { return slavePath; }
    // A pseudo-terminal gets a new number on every plug-in, a USB device keeps its
    // /dev/serial/by-id name. With a stable name set (a path in a folder the caller owns), a
    // symbolic link of that name points at the current terminal while plugged in, so "the same
    // port appears again" can happen. Empty: none. Applies at once.
    void setStablePortName(const QString &linkPath);
    QString stablePortName() const { return stableLink; }
    // A new pseudo-terminal, so possibly a new port name; what the device stores is kept.
    bool plugIn();
    // Closes both ends held here: the tool's open port sees end-of-file and hang-up, and the
    // port leaves the catalog.
    void unplug();

    // ---- recording: the most recent 4 MiB each way ----
    QByteArray received() const { return receivedBytes; } // bytes from the tool
    virtual void clearReceived() { receivedBytes.clear(); }
    QByteArray sent() const { return sentBytes; } // bytes written towards the tool
    void clearSent() { sentBytes.clear(); }

    // Queues bytes towards the tool (also while the protocol is silent); false when unplugged.
    bool sendRaw(const QByteArray &bytes);

signals:
    void bytesReceived(const QByteArray &chunk);
    void pluggedIn(const QString &portName);
    void unplugged(const QString &portName);

protected:
    EmulatedPort(quint16 vendorId, quint16 productId, const QString &productName, QObject *parent);

    // One read from the tool, already recorded. May unplug or delete the device.
    virtual void handleBytes(const QByteArray &bytes) = 0;
    // The most bytes the next read may take; 0 leaves what the tool writes in the terminal
    // (reading stops until resumeReading()).
    virtual int readLimit() const { return kReadChunk; }
    void resumeReading();
    // Protocol state to forget when the device re-enumerates or goes.
    virtual void terminalOpened() {}
    virtual void terminalClosing() {}

    // Bytes the tool has not read yet, and throwing them away.
    int unreadByHost() const;
    void discardUnreadByHost();

    static constexpr int kReadChunk = 4096;

private:
    void closeTerminal();
    void readFromHost();
    void flushPendingOutput();
    void linkStableName();

    quint16 usbVendorId = 0;
    quint16 usbProductId = 0;
    QString usbProductName;

    int masterFd = -1;
    int slaveFd = -1; // kept open so that the tool closing its port does not hang up ours
    QString slavePath;
    QString stableLink;
    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
    QByteArray pendingOutput;

    QByteArray receivedBytes;
    QByteArray sentBytes;
};
