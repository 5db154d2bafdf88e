// Runs the minimal program, the form floor and the tool's start-up alternately and prints the
// median time from process start to the window's first frame of each, side by side. The last
// line, the tool against its floor, is the figure to steer by: the ratio against the minimal
// program swings with the machine's load.
#include "monotonic.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {
double runOnce(const QString &program, const QString &workDir)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    const long long started = monotonicNanoseconds();
    process.start(program, QStringList());
    process.waitForFinished(60000);
    // The program prints "shown <ns>" on the shared monotonic clock at its first frame.
    const QList<QByteArray> words = process.readAllStandardOutput().trimmed().split(' ');
    bool ok = false;
    const long long shown =
        words.size() == 2 && words.at(0) == "shown" ? words.at(1).toLongLong(&ok) : 0;
    if (!ok) {
        QTextStream(stderr) << program << QStringLiteral(" did not report its first frame\n");
        return -1;
    }
    return (shown - started) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Fewer rounds leave the ratio of the medians a few hundredths to chance on a busy machine.
    bool counted = false;
    const int asked = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt(&counted) : 0;
    const int rounds = counted && asked > 0 ? asked : 61;
    QTemporaryDir dir; // the tool reads ./config.ini; keep it away from the caller's
    const QStringList programs = {QStringLiteral(MINIMAL_PROGRAM), QStringLiteral(FLOOR_PROGRAM),
                                  QStringLiteral(TREDORA_PROGRAM)};
    std::vector<std::vector<double>> times(programs.size());
    for (const QString &program : programs)
        runOnce(program, dir.path()); // warm the file cache
    // Each round starts with the next program: a program run right after another one starts
    // measurably faster here, so a fixed order would favour whichever always runs later.
    for (int i = 0; i < rounds; ++i)
        for (int k = 0; k < programs.size(); ++k) {
            const int p = (i + k) % programs.size();
            times[p].push_back(runOnce(programs.at(p), dir.path()));
        }
    const double m = median(times[0]), f = median(times[1]), t = median(times[2]);
    QTextStream out(stdout);
    out << QStringLiteral("start-up to the window's first frame (median of %1)\n").arg(rounds);
    out << QStringLiteral("  minimal Qt Widgets program: %1 ms\n").arg(m, 0, 'f', 1);
    out << QStringLiteral("  form floor:                 %1 ms  (%2x)\n")
               .arg(f, 0, 'f', 1)
               .arg(f / m, 0, 'f', 2);
    out << QStringLiteral("  Tredora main window:        %1 ms  (%2x)\n")
               .arg(t, 0, 'f', 1)
               .arg(t / m, 0, 'f', 2);
    // The tool's time above the floor within each round: steadier than the ratio of medians
    // when the machine's speed drifts during the run.
    std::vector<double> above;
    for (int i = 0; i < rounds; ++i)
        above.push_back(times[2][i] - times[1][i]);
    out << QStringLiteral("  the tool above the floor, per round: %1 ms (median)\n")
               .arg(median(above), 0, 'f', 1);
    out << QStringLiteral("  goal: the tool at most 1.25x its form floor\n");
    out << QStringLiteral("Tredora / form floor: %1x\n").arg(t / f, 0, 'f', 2);
    return 0;
}
