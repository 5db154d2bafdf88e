// The tool without hardware: the real window, with one emulated pedal plugged in that moves
// every few seconds so the monitor has something to show. The production program keeps
// none of this.
#include "app/application.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "sim/liveframes.h"

#include <QTimer>

namespace {
constexpr int kMotionIntervalMs = 3000;
constexpr int kSweepFrameMs = 20;
constexpr int kTapFrameMs = 150;
constexpr int kSweepStep = 8;

constexpr int kChannel = 0;
constexpr int kExpressionController = 11;
constexpr int kSustainController = 64;
constexpr int kHiHatPedalNote = 44;
constexpr int kVelocity = 100;

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
        pedal = new EmulatedPedal(QStringLiteral("TRV-50"), kPedals, this);
        // What a configured device would hold on message 1 of each pedal.
        constexpr int kExpression = 1, kSwitch = 2, kHiHat = 3;
        constexpr int kControlChange = 0, kNote = 2;
        pedal->storeSlot(0, 0,
                         slotBytes(0, kExpression, kControlChange, kExpressionController, 0, 127));
        pedal->storeSlot(1, 0, slotBytes(1, kSwitch, kControlChange, kSustainController, 127, 0));
        pedal->storeSlot(2, 0, slotBytes(2, kHiHat, kNote, kHiHatPedalNote, 0, 127));
        pedal->storeSlot(3, 0, slotBytes(3, kExpression, kControlChange, 7, 0, 127));

        EmulatedCatalog::installNew()->addPedal(pedal);

        connect(&motionTimer, &QTimer::timeout, this, [this] { moveNext(); });
        motionTimer.start(kMotionIntervalMs);
    }

    ~DemoRig() override { PortCatalog::install(nullptr); }

private:
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

    EmulatedPedal *pedal = nullptr;
    QTimer motionTimer;
    int gesture = 0;
};
} // namespace

int main(int argc, char *argv[])
{
    return runTredora(argc, argv, [] { return std::make_unique<DemoRig>(); });
}
