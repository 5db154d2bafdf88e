// A pedal in firmware-upgrade mode without the hardware: its own port (pseudo-terminal) under
// a bootloader name, answering the bootloader requests byte for byte, with the failures a
// flashing tool must survive available on demand.
//
// How it behaves (the device's inner rules are its own; these are the emulator's):
// - device-info request AA CC 02 00 01 0D 0A -> AA CC 05, the model, 0D 0A;
//   version request AA CC 02 00 03 0D 0A -> AA CC 06, the version ("V1.0.3"), 0D 0A;
// - erase request AA CC 02 00 02 0D 0A -> the stored image is cleared and, eraseDelay() later,
//   AA CC 09 "ERASE END" 0D 0A. Bytes that arrive while it erases are dropped (recorded in
//   received() only);
// - from "ERASE END" on, every byte is image (image()); requests are no longer answered. A new
//   plug-in listens for requests again and keeps the image until the next erase.
// Anything else before the erase is recorded in requests() and ignored.
//
// Failure modes (setFailure):
// - EraseNeverEnds: the erase request is taken and never answered;
// - VanishDuringErase: unplugged half way through the erase delay;
// - VanishAfterImageBytes: unplugged right after taking exactly `imageBytes` image bytes;
// - StallAfterImageBytes: stops reading after exactly `imageBytes` image bytes, as a device
//   whose receive side hangs. What the tool writes then piles up in the terminal and in the
//   tool's own write buffer. QSerialPort on Linux queues every write whole, so write() still
//   reports the full length: no device, real or emulated, can make it return short. The tool
//   sees the stall as bytes it cannot get rid of (bytesToWrite()) and, once the terminal is
//   full, as a ResourceError from its flush (Qt takes the EAGAIN of a full tty for one).
#pragma once

#include "sim/emulatedport.h"
#include "sim/requeststream.h"

#include <QList>
#include <QTimer>

class EmulatedBootloader : public EmulatedPort
{
    Q_OBJECT

public:
    static constexpr int kDefaultEraseDelayMs = 300;
    // An image beyond this is not taken (no pedal's flash is near it).
    static constexpr int kMaxImageBytes = 8 * 1024 * 1024;

    enum Failure {
        NoFailure,
        EraseNeverEnds,
        VanishDuringErase,
        VanishAfterImageBytes,
        StallAfterImageBytes,
    };

    enum Phase {
        Listening, // answering requests
        Erasing,
        Receiving, // every byte is image
    };

    // Plugged in at once. The product id defaults to one per model, apart from the pedal's.
    explicit EmulatedBootloader(const QString &model, QObject *parent = nullptr);
    EmulatedBootloader(const QString &model, quint16 vendorId, quint16 productId,
                       QObject *parent = nullptr);

    static quint16 defaultProductId(const QString &model);
    static QString defaultProductName(const QString &model); // "<model> Bootloader"

    QString model() const { return deviceModel; }
    QString firmwareVersion() const { return version; }
    void setFirmwareVersion(const QString &text) { version = text; }

    int eraseDelay() const { return eraseDelayMs; }
    void setEraseDelay(int ms) { eraseDelayMs = qMax(0, ms); }
    // `imageByteCount` counts for the two modes after image bytes. Leaving a stall resumes reading.
    void setFailure(Failure mode, qint64 imageByteCount = 0);
    Failure failure() const { return failureMode; }

    Phase phase() const { return state; }
    QByteArray image() const { return imageBytes; }
    QList<QByteArray> requests() const { return requestList; }
    void clearReceived() override;

signals:
    void eraseRequested();
    void eraseFinished(); // "ERASE END" sent
    void imageBytesReceived(qint64 total);

protected:
    void handleBytes(const QByteArray &bytes) override;
    int readLimit() const override;
    void terminalOpened() override;
    void terminalClosing() override;

private:
    void handleRequest(const QByteArray &request);
    void startErase();
    void eraseTimerFired();
    qint64 failureLimit() const; // image bytes the failure mode lets in, or -1

    QString deviceModel;
    QString version = QStringLiteral("V1.0.3");
    int eraseDelayMs = kDefaultEraseDelayMs;
    Failure failureMode = NoFailure;
    qint64 failureBytes = 0;

    Phase state = Listening;
    Sim::RequestStream requestStream;
    QList<QByteArray> requestList;
    QByteArray imageBytes;
    QTimer eraseTimer;
};
