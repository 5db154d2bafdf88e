// How fast live frames from a pedal reach the monitor tables, how long the GUI thread is
// held up while a burst is worked off, and whether memory stays flat once the tables are
// full. The emulated pedal streams through a real pseudo-terminal into the real window.
#include "app/widget.h"
#include "link/serialport.h"
#include "monitor/liveframe.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "ui_widget.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {
constexpr int kLinkFramesPerSecond = 2880; // 115200 baud, 10 bits a byte, 4 bytes a frame
constexpr int kMidiCablePerSecond = 1000;  // 31250 baud, about three bytes a message
constexpr int kGoalFramesPerSecond = 10 * kLinkFramesPerSecond;
constexpr int kProducerTickMs = 1;
constexpr int kProbeIntervalMs = 1;
constexpr int kStallGoalMs = 16;
constexpr int kPacedSeconds = 3;
constexpr int kSettleMs = 200;
constexpr int kUnpacedFramesPerTick = 1000;
constexpr quint64 kMemoryFrames = 1000000;
constexpr quint64 kMemoryReportEvery = 200000;

QTextStream out(stdout);
int criticalLines = 0; // the link's "invalid data" lines: frames that lost their alignment

void countCritical(QtMsgType type, const QMessageLogContext &, const QString &)
{
    if (type == QtCriticalMsg)
        ++criticalLines;
}

// CPU time of the GUI thread, which runs the pedal's writes, the link, the monitor and
// the painting alike: a figure that other load on the machine does not inflate.
double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// A controller sweeping up and down, the way an expression pedal is rocked; message 1, so
// it moves the Expression picture of the default page.
QByteArray sweepFrame(quint64 n)
{
    const int phase = int(n % 254);
    const int value = phase < 127 ? phase : 253 - phase;
    QByteArray frame(4, '\0');
    frame[0] = char(0x0B);
    frame[1] = char(0xB0);
    frame[2] = char(11);
    frame[3] = char(value);
    return frame;
}

void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QString number(double value, int decimals = 0)
{
    return QLocale(QLocale::English).toString(value, 'f', decimals);
}

struct Run
{
    double offeredPerSecond = 0;
    double shownPerSecond = 0;
    quint64 sent = 0;
    quint64 shown = 0;
    int misaligned = 0;
    double cpuMicrosPerFrame = 0;
    std::vector<double> latenessMs; // one per probe tick, sorted
    double percentile(double p) const
    {
        if (latenessMs.empty())
            return 0;
        return latenessMs[std::min(latenessMs.size() - 1, size_t(p * latenessMs.size()))];
    }
    double worst() const { return latenessMs.empty() ? 0 : latenessMs.back(); }
    long stalls() const
    {
        return long(std::count_if(latenessMs.begin(), latenessMs.end(),
                                  [](double ms) { return ms > kStallGoalMs; }));
    }
};

class Rig
{
public:
    Rig()
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            out << "window not exposed; figures leave out painting\n";
        QComboBox *ports = window.form()->comboBox_ComDevices;
        if (QTest::qWaitFor([&] { return ports->findText(pedal.productName()) >= 0; }, 5000))
            ports->setCurrentIndex(ports->findText(pedal.productName()));
        window.form()->connectButton->click();
        QObject::connect(window.form()->tableView->model(), &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex &, int first, int last) {
                             shown += quint64(last - first + 1);
                             lastRow = clock.nsecsElapsed();
                         });
        clock.start();
    }

    bool connected() const { return window.port()->isOpen(); }

    // Offers `rate` frames a second (0: as fast as the producer can write) until `total`
    // frames are out or `seconds` have passed, then waits for the tables to catch up.
    Run stream(int rate, int seconds, quint64 total = 0, const std::function<void()> &onTick = {})
    {
        Run run;
        const quint64 shownBefore = shown;
        const int criticalBefore = criticalLines;
        quint64 sent = 0;
        const qint64 start = clock.nsecsElapsed();
        const double cpuStart = threadCpuSeconds();
        qint64 lastProbe = start;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(kProbeIntervalMs);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            run.latenessMs.push_back(
                std::max<qint64>(0, now - lastProbe - kProbeIntervalMs * 1000000LL) / 1e6);
            lastProbe = now;
        });
        QTimer producer;
        producer.setTimerType(Qt::PreciseTimer);
        producer.setInterval(kProducerTickMs);
        bool done = false;
        QObject::connect(&producer, &QTimer::timeout, [&] {
            const double elapsed = (clock.nsecsElapsed() - start) / 1e9;
            quint64 due = rate > 0 ? quint64(elapsed * rate) : sent + kUnpacedFramesPerTick;
            if (total > 0)
                due = std::min(due, total);
            if (due > sent) {
                QList<QByteArray> frames;
                frames.reserve(int(due - sent));
                for (quint64 n = sent; n < due; ++n)
                    frames << sweepFrame(n);
                pedal.sendFrames(frames);
                pedal.clearSent(); // the emulator's own record would grow with every frame
                sent = due;
            }
            if (onTick)
                onTick();
            if ((total > 0 && sent >= total) || (total == 0 && elapsed >= seconds)) {
                producer.stop();
                done = true;
            }
        });
        probe.start();
        producer.start();
        // A real event loop: QTest's waits sleep 10 ms between polls, which the probe would
        // count as lateness of the window.
        QEventLoop loop;
        QObject::connect(&producer, &QTimer::timeout, &loop, [&] {
            if (done)
                loop.quit();
        });
        loop.exec();
        const qint64 offeredEnd = clock.nsecsElapsed();
        // Frames still on their way: wait until the tables stop growing.
        for (quint64 seen = shown - 1; seen != shown;) {
            seen = shown;
            runEventLoopFor(kSettleMs);
        }
        probe.stop();
        // The settling waits idle; their few ticks are left in.
        if (shown > shownBefore)
            run.cpuMicrosPerFrame = (threadCpuSeconds() - cpuStart) * 1e6 / (shown - shownBefore);
        run.sent = sent;
        run.shown = shown - shownBefore;
        run.misaligned = criticalLines - criticalBefore;
        run.offeredPerSecond = sent / ((offeredEnd - start) / 1e9);
        run.shownPerSecond = run.shown / ((std::max(offeredEnd, lastRow) - start) / 1e9);
        std::sort(run.latenessMs.begin(), run.latenessMs.end());
        return run;
    }

    // The monitor alone, without the terminal and the link: full queues of frames handed to
    // the window as the link hands them, each taken in once the previous one is shown.
    // Returns microseconds of GUI-thread CPU and of wall time per frame.
    QPair<double, double> monitorAlone(int frames)
    {
        const quint64 shownBefore = shown;
        const double cpuStart = threadCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        int sent = 0;
        while (sent < frames) {
            const int chunk = std::min(Monitor::kLiveQueueCapacity, frames - sent);
            for (int i = 0; i < chunk; ++i)
                emit window.port()->pedalMidiDataSignal(
                    {Protocol::PadelUploadCmd, sweepFrame(quint64(sent) + quint64(i))});
            sent += chunk;
            while (shown - shownBefore < quint64(sent))
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return {(threadCpuSeconds() - cpuStart) * 1e6 / frames, wall.nsecsElapsed() / 1e3 / frames};
    }

    static bool plugIn(EmulatedCatalog *catalog, EmulatedPedal &pedal)
    {
        pedal.setSilent(true); // nothing but live frames on the line
        catalog->addPedal(&pedal);
        return true;
    }

    EmulatedCatalog *catalog = EmulatedCatalog::installNew();
    EmulatedPedal pedal{QStringLiteral("TRV-40"), 2};
    bool listed = plugIn(catalog, pedal); // before the window first lists the ports
    Widget window;
    QElapsedTimer clock;
    quint64 shown = 0;
    qint64 lastRow = 0;
};

void printRun(const QString &label, const Run &run, const QString &note = {})
{
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9%10\n")
               .arg(label, 10)
               .arg(number(run.shownPerSecond), 9)
               .arg(number(double(run.sent - run.shown)), 8)
               .arg(run.misaligned, 6)
               .arg(number(run.percentile(0.99), 1), 7)
               .arg(number(run.percentile(0.999), 1), 7)
               .arg(number(run.worst(), 1), 7)
               .arg(run.stalls(), 6)
               .arg(run.shown >= 1000 ? number(run.cpuMicrosPerFrame, 1) : QStringLiteral("--"), 7)
               .arg(note);
    out.flush();
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.debug=false");
    qInstallMessageHandler(countCritical);
    QApplication app(argc, argv);
    QTemporaryDir dir; // the window reads and writes ./config.ini
    QDir::setCurrent(dir.path());

    Rig rig;
    if (!rig.connected()) {
        out << "could not open the emulated pedal's port\n";
        return 0;
    }
    const QString header = QStringLiteral(
        "   offered   shown/s  dropped  split  p99 ms p99.9ms  max ms  >16ms  cpu us\n");

    if (argc == 2 && qstrcmp(argv[1], "alone") == 0) {
        for (int round = 0; round < 3; ++round) {
            const auto [cpu, wall] = rig.monitorAlone(60000);
            out << QStringLiteral("monitor alone: %1 us CPU, %2 us wall per frame\n")
                       .arg(number(cpu, 1), number(wall, 1));
        }
        return 0;
    }
    // "bench_livemonitor RATE SECONDS" runs one paced stream only, for profiling.
    if (argc > 2) {
        const Run run = rig.stream(QString::fromLocal8Bit(argv[1]).toInt(),
                                   QString::fromLocal8Bit(argv[2]).toInt());
        out << header;
        printRun(number(run.offeredPerSecond), run);
        return 0;
    }

    out << "live monitor: emulated pedal -> pseudo-terminal -> link -> queue -> three tables,\n"
           "window shown, Expression page, a CC sweep that also turns the Expression picture\n";
    out << QStringLiteral("anchors: %1 frames/s on a 115200-baud link, ~%2 messages/s on a MIDI "
                          "cable\ngoal: %3 frames/s (10x the link) shown with none dropped, no "
                          "1 ms timer late by more than %4 ms\n")
               .arg(number(kLinkFramesPerSecond), number(kMidiCablePerSecond),
                    number(kGoalFramesPerSecond), number(kStallGoalMs));
    out << "columns: frames offered per second, frames listed per second, frames dropped, "
           "link lines\nabout split frames, lateness of a 1 ms timer on the GUI thread "
           "(percentiles, worst, ticks late by more than 16 ms)\n\n";
    out << header;
    printRun(QStringLiteral("idle"), rig.stream(1, kPacedSeconds),
             QStringLiteral("   <- no stream"));
    const int rates[] = {kMidiCablePerSecond,      kLinkFramesPerSecond,     kGoalFramesPerSecond,
                         2 * kGoalFramesPerSecond, 4 * kGoalFramesPerSecond, 0};
    for (const int rate : rates) {
        const Run run = rig.stream(rate, kPacedSeconds);
        printRun(rate > 0 ? number(run.offeredPerSecond) : QStringLiteral("unpaced"), run,
                 rate == kGoalFramesPerSecond   ? QStringLiteral("   <- goal, 10x link")
                 : rate == kLinkFramesPerSecond ? QStringLiteral("   <- link")
                 : rate == kMidiCablePerSecond  ? QStringLiteral("   <- MIDI cable")
                                                : QString());
    }

    out << "\nmemory while a million frames stream in at the goal rate (tables bounded at "
           "1,000 rows each)\n";
    long afterFirstThousand = -1;
    quint64 nextReport = kMemoryReportEvery;
    const quint64 shownAtStart = rig.shown;
    const Run run = rig.stream(kGoalFramesPerSecond, 0, kMemoryFrames, [&] {
        const quint64 rows = rig.shown - shownAtStart;
        if (afterFirstThousand < 0 && rows >= 1000) {
            afterFirstThousand = residentKiB();
            out << QStringLiteral("  after %1 rows: %2 MiB resident\n")
                       .arg(number(double(rows)), number(afterFirstThousand / 1024.0, 1));
        } else if (rows >= nextReport) {
            out << QStringLiteral("  after %1 rows: %2 MiB resident\n")
                       .arg(number(double(rows)), number(residentKiB() / 1024.0, 1));
            nextReport += kMemoryReportEvery;
            out.flush();
        }
    });
    const long atEnd = residentKiB();
    out << QStringLiteral("  after %1 frames (%2 listed, %3 dropped): %4 MiB resident, %5 MiB "
                          "more than after the first thousand rows\n")
               .arg(number(double(run.sent)), number(double(run.shown)),
                    number(double(run.sent - run.shown)), number(atEnd / 1024.0, 1),
                    number((atEnd - afterFirstThousand) / 1024.0, 1));
    return 0;
}
