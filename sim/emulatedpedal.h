// A pedal device without the hardware: it sits on the master side of a pseudo-terminal, the
// tool opens the slave side as the pedal's serial port, and the emulator answers byte for
// byte as the device would. Tests and the demo drive its motion and its failures.
//
// How it answers (the device's inner rules are its own; these are the emulator's):
// - handshake query F0 00 21 5E 01 01 F7 -> F0 00 21 5E 01 n F7, n = pedal count;
// - slot query (9 bytes) or typed slot query (10; the type byte is ignored)
//   -> F0 00 21 5E 10 04, the 17 stored bytes of that slot, F7. A slot never written
//   (or cleared) answers with the pedal and message index and 15 zeros (pedal type 0:
//   nothing stored);
// - configuration message (24 bytes, F0 00 21 5E 10 03 ... F7) -> F0 00 21 5E 10 03 p r F7.
//   r = 1 when the pedal index is not below the pedal count or the message index not below
//   16; else 2 when the pedal type (byte 8) is not 1, 2 or 3; else 3 when the event is Tempo
//   (byte 10 = 8) and another message of the same pedal already holds Tempo; else 0 and
//   bytes 6-22 are stored. forceNextSetResult() replaces r once; a forced refusal stores
//   nothing;
// - delete request F0 00 21 5E 03 05 p F7 -> that pedal's slots cleared,
//   F0 00 21 5E 10 05 p F7; the factory reset (p = 58) clears every slot and is acknowledged
//   the same way (F0 00 21 5E 10 05 58 F7);
// - bootloader device-info request AA CC 02 00 01 0D 0A -> AA CC 05, the model, 0D 0A;
//   version request AA CC 02 00 03 0D 0A -> AA CC 06, the version ("V1.0.3"), 0D 0A.
//   Other bootloader codes are recorded and not answered.
// Anything else is recorded and ignored; a silent pedal records and answers nothing.
#pragma once

#include "sim/requeststream.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTimer>

#include <optional>

class QSocketNotifier;

class EmulatedPedal : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 kDefaultVendorId = 0x3E11;
    static constexpr int kMessageSlots = 16;
    static constexpr int kSlotLength = 17; // bytes 6-22 of a configuration message
    static constexpr quint8 kFactoryResetIndex = 0x58;

    enum SetResult : quint8 {
        SetOk = 0,
        WrongPedalNumber = 1,
        WrongPedalType = 2,
        TempoLimit = 3,
    };

    // Plugged in at once (see isPlugged()). The product id defaults to one per model.
    EmulatedPedal(const QString &model, int pedalCount, QObject *parent = nullptr);
    EmulatedPedal(const QString &model, int pedalCount, quint16 vendorId, quint16 productId,
                  QObject *parent = nullptr);
    ~EmulatedPedal() override;
    EmulatedPedal(const EmulatedPedal &) = delete;
    EmulatedPedal &operator=(const EmulatedPedal &) = delete;

    static quint16 defaultProductId(const QString &model);
    static QString defaultProductName(const QString &model); // "Volarix <model> USB MIDI Pedal"

    // ---- identity ----
    QString model() const { return deviceModel; }
    int pedalCount() const { return pedals; }
    quint16 vendorId() const { return usbVendorId; }
    quint16 productId() const { return usbProductId; }
    QString productName() const { return usbProductName; }
    void setProductName(const QString &name) { usbProductName = name; }
    QString firmwareVersion() const { return version; }
    void setFirmwareVersion(const QString &text) { version = text; }

    // ---- presence ----
    bool isPlugged() const { return masterFd >= 0; }
    // The slave device path the tool opens (for example /dev/pts/7); empty while unplugged.
    QString portName() const { return slavePath; }
    // A new pseudo-terminal, so possibly a new port name; what the pedal stores is kept.
    bool plugIn();
    // Closes both ends held here: the tool's open port sees end-of-file and hang-up, and the
    // port leaves the catalog.
    void unplug();

    // ---- recording ----
    // In order, the most recent traffic only: 4 MiB each way and 100,000 requests.
    QByteArray received() const { return receivedBytes; }      // bytes from the tool
    QList<QByteArray> requests() const { return requestList; } // whole requests cut
    void clearReceived();
    QByteArray sent() const { return sentBytes; } // bytes written towards the tool
    void clearSent() { sentBytes.clear(); }

    // ---- what the pedal stores ----
    QByteArray storedSlot(int pedal, int message) const; // 17 bytes, the default if unwritten
    bool isSlotWritten(int pedal, int message) const;
    void storeSlot(int pedal, int message, const QByteArray &bytes6to22);
    int writtenSlotCount() const { return storedSlots.size(); }

    // ---- how it answers ----
    void setSilent(bool on) { silent = on; }
    bool isSilent() const { return silent; }
    void forceNextSetResult(quint8 result) { forcedSetResult = result; }

    // ---- sent on demand (also while silent) ----
    bool sendRaw(const QByteArray &bytes);
    bool sendStatus(quint8 connectedBits);            // F0 00 21 5E b F7
    bool sendZb8Status(quint32 connectedBits);        // F0 00 21 5E 04 06 b6 b7 b8 F7
    bool sendFrames(const QList<QByteArray> &frames); // all in one write
    // One frame every `intervalMs`, from the start again when `repeat` is set. A new stream
    // replaces the running one.
    void streamFrames(const QList<QByteArray> &frames, int intervalMs, bool repeat = false);
    void stopStreaming();
    bool isStreaming() const { return streamTimer.isActive(); }

signals:
    void bytesReceived(const QByteArray &chunk);
    void requestReceived(const QByteArray &request); // after it has been answered
    void pluggedIn(const QString &portName);
    void unplugged(const QString &portName);

private:
    void closeTerminal();
    void readFromHost();
    void flushPendingOutput();
    void handleRequest(const QByteArray &request);
    void handlePedalMessage(const QByteArray &message);
    void handleBootloaderLine(const QByteArray &line);
    void configure(const QByteArray &message);
    void deleteSlots(quint8 pedalIndex);
    quint8 ruledSetResult(const QByteArray &message) const;
    void streamTick();
    void dropStaleOutput();

    QString deviceModel;
    int pedals = 0;
    quint16 usbVendorId = 0;
    quint16 usbProductId = 0;
    QString usbProductName;
    QString version = QStringLiteral("V1.0.3");

    int masterFd = -1;
    int slaveFd = -1; // kept open so that the tool closing its port does not hang up ours
    QString slavePath;
    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
    QByteArray pendingOutput;

    Sim::RequestStream requestStream;
    QByteArray receivedBytes;
    QList<QByteArray> requestList;
    QByteArray sentBytes;

    QMap<QPair<int, int>, QByteArray> storedSlots;
    bool silent = false;
    std::optional<quint8> forcedSetResult;

    QTimer streamTimer;
    QList<QByteArray> streamQueue;
    int streamPosition = 0;
    bool streamRepeats = false;
    QElapsedTimer hostLastDrained;
};
