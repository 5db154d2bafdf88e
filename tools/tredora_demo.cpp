// The tool without hardware: the real window, with one emulated pedal plugged in that the
// demo connects to by itself and that moves every few seconds, so the first thing a newcomer
// sees is the tool at work, and a local update server that offers it a newer firmware, so the
// automatic upgrade can be tried. The production program keeps none of this.
#include "app/application.h"
#include "localupdateserver.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "sim/liveframes.h"
#include "sim/upgradablepedal.h"
#include "update/serverpaths.h"

#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {
// Connect once the window is up, as a user would; the first movement follows the connection's
// own queries (answered within its first 600 ms).
constexpr int kAutoConnectMs = 1000;
constexpr int kFirstMotionMs = 1000;
constexpr int kMotionIntervalMs = 3000;
constexpr int kSweepFrameMs = 20;
constexpr int kTapFrameMs = 150;
constexpr int kSweepStep = 8;

constexpr int kChannel = 0;
constexpr int kExpressionController = 11;
constexpr int kSustainController = 64;
constexpr int kHiHatPedalNote = 44;
constexpr int kVelocity = 100;

// The firmware the demo's server offers: newer than the pedal's V1.0.3 by its second number.
const char *const kModel = "TRV-50";
const char *const kNewFirmware = "TRV-50_V1.1.0";
constexpr int kImageBytes = 16 * 1024; // about eight seconds of writing
// The flashed device restarts into its new firmware a little after the last block, while the
// dialog is still finalizing, so the pedal is listed again by the time the success box shows.
constexpr int kRestartAfterFlashMs = 2000;

// Bytes 6-22 of a configuration message: pedal, message, type, channel, event, four values,
// mode, gain, trigger level, press note, release note, curve, saturation, high trigger byte.
QByteArray slotBytes(int pedal, int type, int event, int value1, int value3, int value4)
{
    constexpr int kCentreGain = 50;
    constexpr int kStraightCurve = 50;
    constexpr int kFullSaturation = 100;
    const char bytes[EmulatedPedal::kSlotLength] = {char(pedal),
                                                    0,
                                                    char(type),
                                                    char(kChannel),
                                                    char(event),
                                                    char(value1),
                                                    0,
                                                    char(value3),
                                                    char(value4),
                                                    0,
                                                    char(kCentreGain),
                                                    0,
                                                    0,
                                                    0,
                                                    char(kStraightCurve),
                                                    char(kFullSaturation),
                                                    0};
    return QByteArray(bytes, sizeof bytes);
}

class DemoRig : public QObject
{
public:
    DemoRig()
    {
        constexpr int kPedals = 4;
        catalog = EmulatedCatalog::installNew();
        device = new UpgradablePedal(catalog, QString::fromLatin1(kModel), kPedals, this);
        device->setRestartWhenQuietFor(kRestartAfterFlashMs);
        pedal = device->pedal();
        // What a configured device would hold on message 1 of each pedal.
        constexpr int kExpression = 1, kSwitch = 2, kHiHat = 3;
        constexpr int kControlChange = 0, kNote = 2;
        pedal->storeSlot(0, 0,
                         slotBytes(0, kExpression, kControlChange, kExpressionController, 0, 127));
        pedal->storeSlot(1, 0, slotBytes(1, kSwitch, kControlChange, kSustainController, 127, 0));
        pedal->storeSlot(2, 0, slotBytes(2, kHiHat, kNote, kHiHatPedalNote, 0, 127));
        pedal->storeSlot(3, 0, slotBytes(3, kExpression, kControlChange, 7, 0, 127));

        startUpdateServer();
        connect(device, &UpgradablePedal::modeChanged, this,
                [this](UpgradablePedal::Mode mode) { reportMode(mode); });

        connect(&motionTimer, &QTimer::timeout, this, [this] { moveNext(); });
        QTimer::singleShot(kAutoConnectMs, this, [this] { connectWindow(); });
    }

    ~DemoRig() override { PortCatalog::install(nullptr); }

private:
    // Only this process trusts the server's authority; nothing leaves 127.0.0.1.
    void startUpdateServer()
    {
        server = std::make_unique<LocalUpdateServer>(serverRoot.path());
        const QString model = QString::fromLatin1(kModel);
        const QString version = QString::fromLatin1(kNewFirmware);
        QByteArray image(kImageBytes, '\0');
        for (int i = 0; i < kImageBytes; ++i)
            image[i] = char(i * 7);
        // A firmware carries its version name; the restarted pedal reports the one it finds.
        image.replace(0, version.size(), version.toLatin1());
        const bool served =
            server->putFile(UpdateServer::mainWindowModelFor(model)->descriptionPath,
                            version.toUtf8() +
                                "\r\nUpdate content:\r\n1. Demo firmware from the local "
                                "update server.\r\n") &&
            server->putFile(UpdateServer::firmwareImagePath(model, version), image) &&
            server->start();
        if (!served) {
            qWarning() << "Demo update server not started:" << server->errorString();
            return;
        }
        server->trustOnlyThisServer();
        UpdateServer::setBaseAddress(server->baseAddress());
    }

    // The terminal tells what the device does, as the lights of a real one would.
    void reportMode(UpgradablePedal::Mode mode)
    {
        if (mode == UpgradablePedal::BootloaderMode)
            qInfo("demo: the pedal is now listed as \"%s\"",
                  qUtf8Printable(device->bootloader()->productName()));
        else if (mode == UpgradablePedal::PedalMode)
            qInfo("demo: the pedal is back as \"%s\", reporting %s; Connect to it again",
                  qUtf8Printable(pedal->productName()), qUtf8Printable(pedal->firmwareVersion()));
    }

    // Presses Connect in the window when the emulated pedal is the selected device; the
    // pedal moves from then on either way.
    void connectWindow()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *devices = window->findChild<QComboBox *>(QStringLiteral("comboBox_ComDevices"));
            auto *button = window->findChild<QPushButton *>(QStringLiteral("connectButton"));
            if (!devices || !button)
                continue;
            if (devices->currentData().toString() == pedal->portName() && button->isEnabled() &&
                button->text() == QStringLiteral("Connect"))
                button->click();
            break;
        }
        QTimer::singleShot(kFirstMotionMs, this, [this] {
            moveNext();
            motionTimer.start(kMotionIntervalMs);
            // run.sh waits for this line before its screenshot.
            qInfo("demo: the pedal is moving");
        });
    }

    void moveNext()
    {
        using namespace LiveFrames;
        switch (gesture++ % 3) {
        case 0: {
            QList<QByteArray> sweep =
                expressionSweep(kChannel, kExpressionController, 0, 127, kSweepStep);
            sweep += expressionSweep(kChannel, kExpressionController, 127, 0, kSweepStep);
            pedal->streamFrames(sweep, kSweepFrameMs);
            break;
        }
        case 1:
            pedal->streamFrames(switchTap(kChannel, kSustainController), kTapFrameMs);
            break;
        default:
            pedal->streamFrames(noteTap(kChannel, kHiHatPedalNote, kVelocity), kTapFrameMs);
            break;
        }
    }

    EmulatedCatalog *catalog = nullptr;
    UpgradablePedal *device = nullptr;
    EmulatedPedal *pedal = nullptr;
    QTemporaryDir serverRoot;
    std::unique_ptr<LocalUpdateServer> server;
    QTimer motionTimer;
    int gesture = 0;
};
} // namespace

int main(int argc, char *argv[])
{
    return runTredora(argc, argv, [] { return std::make_unique<DemoRig>(); });
}
