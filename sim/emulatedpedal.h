// A pedal device without the hardware: it sits on the master side of a pseudo-terminal, the
// tool opens the slave side as the pedal's serial port, and the emulator answers byte for
// byte as the device would. Tests and the demo drive its motion and its failures.
//
// How it answers (the device's inner rules are its own; these are the emulator's):
// - handshake query F0 00 21 5E 01 01 F7 -> F0 00 21 5E 01 n F7, n = pedal count;
// - slot query (9 bytes) or typed slot query (10; the type byte is ignored)
//   -> F0 00 21 5E 10 04, the 17 stored bytes of that slot, F7. A slot never written
//   (or cleared) reads back as the factory default (factorySlot): an Expression pedal
//   sending CC 11 on channel 1 over the full range 0-127, gain and curve neutral (position
//   50), no trigger level or notes, saturation 100 %;
// - configuration message (24 bytes, F0 00 21 5E 10 03 ... F7) -> F0 00 21 5E 10 03 p r F7.
//   r = 1 when the pedal index is not below the pedal count or the message index not below
//   16; else 2 (WrongPedalType) when the pedal type (byte 8) is not 1, 2 or 3, or the message
//   carries no valid event: an event byte beyond 8 (Tempo), or FF (an empty selector) in the
//   channel, a value, the mode, the gain or the curve; else 3 when the event is Tempo
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

#include "sim/emulatedport.h"
#include "sim/requeststream.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QTimer>

#include <optional>

class EmulatedPedal : public EmulatedPort
{
    Q_OBJECT

public:
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

    static quint16 defaultProductId(const QString &model);
    static QString defaultProductName(const QString &model); // "Volarix <model> USB MIDI Pedal"

    // ---- identity ----
    QString model() const { return deviceModel; }
    int pedalCount() const { return pedals; }
    QString firmwareVersion() const { return version; }
    void setFirmwareVersion(const QString &text) { version = text; }

    // ---- recording (received() and sent() in EmulatedPort) ----
    // In order, the most recent 100,000 requests.
    QList<QByteArray> requests() const { return requestList; } // whole requests cut
    void clearReceived() override;

    // ---- what the pedal stores ----
    QByteArray storedSlot(int pedal, int message) const; // 17 bytes, the default if unwritten
    static QByteArray factorySlot(int pedal, int message);
    bool isSlotWritten(int pedal, int message) const;
    void storeSlot(int pedal, int message, const QByteArray &bytes6to22);
    int writtenSlotCount() const { return storedSlots.size(); }

    // ---- how it answers ----
    void setSilent(bool on) { silent = on; }
    bool isSilent() const { return silent; }
    void forceNextSetResult(quint8 result) { forcedSetResult = result; }

    // ---- sent on demand (also while silent; sendRaw() in EmulatedPort) ----
    bool sendStatus(quint8 connectedBits);            // F0 00 21 5E b F7
    bool sendZb8Status(quint32 connectedBits);        // F0 00 21 5E 04 06 b6 b7 b8 F7
    bool sendFrames(const QList<QByteArray> &frames); // all in one write
    // One frame every `intervalMs`, from the start again when `repeat` is set. A new stream
    // replaces the running one.
    void streamFrames(const QList<QByteArray> &frames, int intervalMs, bool repeat = false);
    void stopStreaming();
    bool isStreaming() const { return streamTimer.isActive(); }

signals:
    void requestReceived(const QByteArray &request); // after it has been answered

protected:
    void handleBytes(const QByteArray &bytes) override;
    void terminalOpened() override;
    void terminalClosing() override;

private:
    void handleRequest(const QByteArray &request);
    void handlePedalMessage(const QByteArray &message);
    void handleBootloaderLine(const QByteArray &line);
    void configure(const QByteArray &message);
    void deleteSlots(quint8 pedalIndex);
    quint8 ruledSetResult(const QByteArray &message) const;
    static bool carriesValidEvent(const QByteArray &message);
    void streamTick();
    void dropStaleOutput();

    QString deviceModel;
    int pedals = 0;
    QString version = QStringLiteral("V1.0.3");

    Sim::RequestStream requestStream;
    QList<QByteArray> requestList;

    QMap<QPair<int, int>, QByteArray> storedSlots;
    bool silent = false;
    std::optional<quint8> forcedSetResult;

    QTimer streamTimer;
    QList<QByteArray> streamQueue;
    int streamPosition = 0;
    bool streamRepeats = false;
    QElapsedTimer hostLastDrained;
};
