// A pedal with its bootloader, moving between the two in one catalog as a real device does:
// the enter-upgrade-mode request makes the pedal leave and, a re-enumeration later, its
// bootloader appear; after an upgrade it comes back as the pedal, reporting the new version.
// Tests and the demo use it for the whole automatic upgrade.
#pragma once

#include "sim/emulatedbootloader.h"
#include "sim/emulatedpedal.h"

#include <QObject>
#include <QTimer>

class EmulatedCatalog;

class UpgradablePedal : public QObject
{
    Q_OBJECT

public:
    // A USB device takes about this long to leave and enumerate as the other one.
    static constexpr int kDefaultReenumerationMs = 1000;

    enum Mode {
        PedalMode,
        EnteringBootloader, // the pedal has gone, the bootloader is not there yet
        BootloaderMode,
        Restarting, // the bootloader has gone, the pedal is not back yet
    };

    // Both devices join `catalog` (which must outlive this object); the pedal is plugged in.
    UpgradablePedal(EmulatedCatalog *catalog, const QString &model, int pedalCount,
                    QObject *parent = nullptr);

    EmulatedPedal *pedal() { return &pedalDevice; }
    EmulatedBootloader *bootloader() { return &bootloaderDevice; }
    Mode mode() const { return current; }

    int reenumerationDelay() const { return reenumerationMs; }
    void setReenumerationDelay(int ms) { reenumerationMs = qMax(0, ms); }
    // The version the pedal reports after an upgrade. Empty (the default): the first version
    // name found in the image ("V" digits and dots, for example V1.2.0), else the old one.
    void setUpgradedVersion(const QString &version) { upgradedVersion = version; }
    // With a quiet time set (> 0), a bootloader holding an image restarts as the pedal once no
    // image byte has come for that long, as a device leaving its bootloader after the flash.
    // Off (0) by default: the device comes back only through restart(), as after the user
    // powers it on again.
    void setRestartWhenQuietFor(int ms) { restartQuietMs = qMax(0, ms); }

    // What the request does, for tests and the demo.
    void enterUpgradeMode();
    // Leaves the bootloader and comes back as the pedal a re-enumeration later. The pedal
    // reports the new version when the bootloader holds an image; with none (an erase
    // without an image, or none at all) it keeps the old one.
    void restart();

    // The version name a firmware image carries, or empty.
    static QString versionInImage(const QByteArray &image);

signals:
    void modeChanged(UpgradablePedal::Mode mode);

private:
    void setMode(Mode mode);
    void onPedalRequest(const QByteArray &request);
    void finishSwitch();

    EmulatedPedal pedalDevice;
    EmulatedBootloader bootloaderDevice;
    Mode current = PedalMode;
    int reenumerationMs = kDefaultReenumerationMs;
    int restartQuietMs = 0;
    QString upgradedVersion;
    QTimer switchTimer;
    QTimer quietTimer;
};
