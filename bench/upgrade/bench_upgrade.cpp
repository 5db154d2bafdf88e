// How long a 64 KiB firmware image takes to reach the emulated bootloader through a real
// pseudo-terminal against the protocol's own pacing, and how long the GUI thread is held
// up meanwhile. The real window and upgrade dialog drive it.
#include "app/widget.h"
#include "common/userprompt.h"
#include "sim/emulatedbootloader.h"
#include "sim/emulatedcatalog.h"
#include "ui_upgrade_dialog.h"
#include "upgrade/upgrade_dialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <time.h>

namespace {
constexpr int kImageBytes = 64 * 1024;
constexpr int kBlocks = kImageBytes / Upgrade::kBlockSize;
constexpr int kPacingMs = 30;
constexpr double kGoalRatio = 1.05;
constexpr int kStallGoalMs = 16;
constexpr int kProbeIntervalMs = 1;
constexpr int kShortSettleMs = 100; // the settling time is not part of the transfer

QTextStream out(stdout);

// CPU time of the GUI thread, which runs the dialog, the link and the emulator alike: the
// tool's own cost per block, which other load on the machine does not inflate.
double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// A real event loop until `done` holds: QTest::qWaitFor sleeps 10 ms between its passes,
// which would be counted as stalls and would delay the pacing timer.
template<typename Done> bool runUntil(Done done, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 0);
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    EmulatedCatalog *catalog = EmulatedCatalog::installNew();
    EmulatedBootloader boot(QStringLiteral("ZB-8")); // a model without an online check
    catalog->addBootloader(&boot);
    upgrade_dialog::setLongWaitsForTests(10000, kShortSettleMs);

    QByteArray image(kImageBytes, '\0');
    for (int i = 0; i < kImageBytes; ++i)
        image[i] = char((i * 31 + 7) & 0xFF);
    const QString path = dir.filePath(QStringLiteral("firmware.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != kImageBytes)
        return 1;
    file.close();

    bool succeeded = false;
    UserPrompt::setMessageResponder([&succeeded](QMessageBox &box) {
        succeeded = box.windowTitle() == QLatin1String("Upgrade");
        return int(QMessageBox::Ok);
    });
    UserPrompt::setFileResponder([&path](const UserPrompt::FileRequest &) { return path; });

    Widget window;
    upgrade_dialog *dialog = window.upgradeDialog();
    Ui::upgrade_dialog *ui = dialog->form();

    QElapsedTimer clock;
    qint64 sendingStarted = -1;
    qint64 lastBlockWritten = -1;
    double cpuStarted = 0;
    double cpuEnded = 0;
    QObject::connect(dialog, &upgrade_dialog::logLineAppended, [&](const QString &line) {
        if (line == QLatin1String("Sending firmware...")) {
            sendingStarted = clock.nsecsElapsed();
            cpuStarted = threadCpuSeconds();
        } else if (line == QLatin1String("Finalizing, please wait...")) {
            lastBlockWritten = clock.nsecsElapsed();
            cpuEnded = threadCpuSeconds();
        }
    });

    // A 1 ms probe: any gap beyond its interval is time the event loop could not run.
    qint64 lastProbe = -1;
    qint64 worstStallNs = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastProbe >= 0 && sendingStarted >= 0 && lastBlockWritten < 0)
            worstStallNs = qMax(worstStallNs, now - lastProbe - kProbeIntervalMs * 1000000LL);
        lastProbe = now;
    });
    clock.start();
    probe.start(kProbeIntervalMs);

    window.show_ug_dlg_Dialog();
    if (!runUntil([&] { return ui->comboBox->findText(boot.productName()) >= 0; }, 5000))
        return 1;
    ui->comboBox->setCurrentIndex(ui->comboBox->findText(boot.productName()));
    ui->pushButton->click();
    if (!runUntil([&] { return !dialog->deviceVersion.isEmpty(); }, 5000))
        return 1;
    ui->pushButton_3->click();
    ui->pushButton_4->click();
    const bool ended =
        runUntil([&] { return succeeded || dialog->upgradeState() == UpgradeState::Idle; }, 120000);
    if (ended && !succeeded)
        succeeded = runUntil([&] { return succeeded; }, 2000);

    const double seconds = (lastBlockWritten - sendingStarted) / 1e9;
    const double pacing = kBlocks * kPacingMs / 1000.0;
    out << "64 KiB image, " << kBlocks << " blocks through a pseudo-terminal:\n";
    out << QStringLiteral("  transfer            %1 s   pacing %2 s   ratio %3 (goal <= %4)\n")
               .arg(seconds, 0, 'f', 2)
               .arg(pacing, 0, 'f', 2)
               .arg(seconds / pacing, 0, 'f', 3)
               .arg(kGoalRatio, 0, 'f', 2);
    out << QStringLiteral("  worst loop stall    %1 ms (goal <= %2 ms)\n")
               .arg(worstStallNs / 1e6, 0, 'f', 1)
               .arg(kStallGoalMs);
    out << QStringLiteral("  GUI thread CPU      %1 ms a block (of the %2 ms pacing)\n")
               .arg((cpuEnded - cpuStarted) * 1000.0 / kBlocks, 0, 'f', 2)
               .arg(kPacingMs);
    out << "  machine load        " << loadAverage() << " (1-minute average)\n";
    out << "  image byte-exact    " << (boot.image() == image ? "yes" : "NO") << "\n";
    out << "  success box         " << (succeeded ? "yes" : "NO") << "\n";
    out.flush();
    return 0;
}
