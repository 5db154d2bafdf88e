// How long the automatic upgrade of a 64 KiB image takes from the prompt's OK to the success
// box, against its floor: the blocking pause, the device's re-enumeration, the block pacing
// and the settling time. The real window, the local HTTPS server and the emulators drive it.
#include "app/widget.h"
#include "common/userprompt.h"
#include "link/serialport.h"
#include "localupdateserver.h"
#include "sim/emulatedcatalog.h"
#include "sim/upgradablepedal.h"
#include "ui_widget.h"
#include "update/serverpaths.h"
#include "upgrade/autoupgrade.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <memory>

namespace {
constexpr int kImageBytes = 64 * 1024;
constexpr int kBlocks = kImageBytes / 64;
constexpr int kPacingMs = 30;
constexpr int kSettleMs = 5050;
constexpr int kReenumerationMs = UpgradablePedal::kDefaultReenumerationMs;
// The flashed device restarts into its new firmware while the dialog is still finalizing.
constexpr int kRestartAfterFlashMs = 2000;
constexpr double kGoalRatio = 1.05;
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QTextStream out(stdout);

    QTemporaryDir root;
    LocalUpdateServer server(root.path());
    const QString model = QStringLiteral("TRV-40");
    const QString newVersion = QStringLiteral("V1.1.0");
    const QString version = model + QLatin1Char('_') + newVersion;
    QByteArray image(kImageBytes, '\0');
    for (int i = 0; i < kImageBytes; ++i)
        image[i] = char((i * 31 + 7) & 0xFF);
    image.replace(0, version.size(), version.toLatin1()); // what the restarted pedal reports
    if (!server.putFile(UpdateServer::mainWindowModelFor(model)->descriptionPath,
                        version.toUtf8() + "\nUpdate content: bench\n") ||
        !server.putFile(UpdateServer::firmwareImagePath(model, version), image) || !server.start())
        return 1;
    server.trustOnlyThisServer();
    UpdateServer::setBaseAddress(server.baseAddress());

    EmulatedCatalog *catalog = EmulatedCatalog::installNew();
    UpgradablePedal device(catalog, model, 2);
    device.setRestartWhenQuietFor(kRestartAfterFlashMs);
    EmulatedPedal &pedal = *device.pedal();
    pedal.setFirmwareVersion(QStringLiteral("V1.0.2"));

    QElapsedTimer clock;
    qint64 okAt = -1;
    qint64 successAt = -1;
    UserPrompt::setMessageResponder([&](QMessageBox &box) {
        if (box.windowTitle() == QLatin1String("Update Available"))
            okAt = clock.elapsed();
        else if (box.windowTitle() == QLatin1String("Upgrade"))
            successAt = clock.elapsed();
        return int(QMessageBox::Ok);
    });

    Widget window;
    Ui::Widget *ui = window.form();
    window.show();
    clock.start();
    if (!QTest::qWaitFor(
            [&] { return ui->comboBox_ComDevices->findText(pedal.productName()) >= 0; }, 5000))
        return 1;
    ui->comboBox_ComDevices->setCurrentIndex(
        ui->comboBox_ComDevices->findText(pedal.productName()));
    ui->connectButton->click();
    const bool finished = QTest::qWaitFor([&] { return successAt >= 0; }, 120000);
    // Kept out of the figure: the pedal coming back is the device's time, not the tool's.
    const bool back = QTest::qWaitFor([&] { return device.mode() == UpgradablePedal::PedalMode; },
                                      kRestartAfterFlashMs + kReenumerationMs + kSettleMs);

    const double floor =
        (AutoUpgrade::kPreparePauseMs + kReenumerationMs + kBlocks * kPacingMs + kSettleMs) /
        1000.0;
    const double seconds = (successAt - okAt) / 1000.0;
    out << "Automatic upgrade of a 64 KiB image, prompt's OK to the success box:\n";
    if (!finished || okAt < 0) {
        out << "  did not finish\n";
        return 0;
    }
    out << QStringLiteral("  took %1 s   floor %2 s (3 s pause + %3 s re-enumeration + %4 x %5 ms "
                          "+ 5.05 s)   ratio %6 (goal <= %7)\n")
               .arg(seconds, 0, 'f', 2)
               .arg(floor, 0, 'f', 2)
               .arg(kReenumerationMs / 1000.0, 0, 'f', 1)
               .arg(kBlocks)
               .arg(kPacingMs)
               .arg(seconds / floor, 0, 'f', 3)
               .arg(kGoalRatio, 0, 'f', 2);
    out << "  image byte-exact at the bootloader: "
        << (device.bootloader()->image() == image ? "yes" : "NO") << "\n";
    out << "  pedal back reporting " << newVersion << ": "
        << (back && pedal.firmwareVersion() == newVersion ? "yes" : "NO") << "\n";
    return 0;
}
