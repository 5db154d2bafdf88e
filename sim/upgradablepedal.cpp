#include "sim/upgradablepedal.h"

#include "sim/bootloaderlines.h"
#include "sim/emulatedcatalog.h"

#include <QRegularExpression>

UpgradablePedal::UpgradablePedal(EmulatedCatalog *catalog, const QString &model, int pedalCount,
                                 QObject *parent)
    : QObject(parent), pedalDevice(model, pedalCount), bootloaderDevice(model)
{
    bootloaderDevice.unplug(); // the device starts in normal operation
    catalog->addPedal(&pedalDevice);
    catalog->addBootloader(&bootloaderDevice);

    switchTimer.setSingleShot(true);
    switchTimer.setTimerType(Qt::PreciseTimer); // a coarse timer may end the delay early
    connect(&switchTimer, &QTimer::timeout, this, &UpgradablePedal::finishSwitch);
    quietTimer.setSingleShot(true);
    connect(&quietTimer, &QTimer::timeout, this, &UpgradablePedal::restart);
    connect(&pedalDevice, &EmulatedPedal::requestReceived, this, &UpgradablePedal::onPedalRequest);
    connect(&bootloaderDevice, &EmulatedBootloader::imageBytesReceived, this, [this] {
        if (restartQuietMs > 0)
            quietTimer.start(restartQuietMs);
    });
    // A bootloader that vanishes (a failure mode) does not restart by itself.
    connect(&bootloaderDevice, &EmulatedPort::unplugged, &quietTimer, &QTimer::stop);
}

void UpgradablePedal::setMode(Mode mode)
{
    if (current == mode)
        return;
    current = mode;
    emit modeChanged(mode);
}

void UpgradablePedal::onPedalRequest(const QByteArray &request)
{
    if (!pedalDevice.isSilent() &&
        Sim::bootloaderRequestCode(request) == Protocol::EnterUpgradeModeRequest)
        enterUpgradeMode();
}

void UpgradablePedal::enterUpgradeMode()
{
    if (current != PedalMode)
        return;
    bootloaderDevice.setFirmwareVersion(pedalDevice.firmwareVersion());
    pedalDevice.unplug();
    setMode(EnteringBootloader);
    switchTimer.start(reenumerationMs);
}

void UpgradablePedal::restart()
{
    if (current != BootloaderMode)
        return;
    quietTimer.stop();
    const QByteArray image = bootloaderDevice.image();
    if (!image.isEmpty()) {
        const QString version = upgradedVersion.isEmpty() ? versionInImage(image) : upgradedVersion;
        if (!version.isEmpty())
            pedalDevice.setFirmwareVersion(version);
    }
    bootloaderDevice.unplug();
    setMode(Restarting);
    switchTimer.start(reenumerationMs);
}

void UpgradablePedal::finishSwitch()
{
    if (current == EnteringBootloader) {
        if (bootloaderDevice.plugIn())
            setMode(BootloaderMode);
    } else if (current == Restarting) {
        if (pedalDevice.plugIn())
            setMode(PedalMode);
    }
}

QString UpgradablePedal::versionInImage(const QByteArray &image)
{
    static const QRegularExpression version(QStringLiteral("V\\d+(?:\\.\\d+)+"));
    return version.match(QString::fromLatin1(image.constData(), image.size())).captured(0);
}
