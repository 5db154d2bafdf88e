// How long the editor takes for what a user does often with the 16384-entry lists: switching
// the Expression event to Pitch Bend and back, and opening the Pitch Bend level pop-up.
// Both should fit in one 60 Hz frame; the figures are reported, never judged.
#include "app/stylesheet.h"
#include "app/widget.h"
#include "ui_widget.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr double kFrameMs = 1000.0 / 60.0;
constexpr int kRounds = 41;

struct Figures
{
    double median;
    double worst;
};

// `untimed` runs after each timed step, to undo it.
Figures measure(const std::function<void()> &step, const std::function<void()> &untimed = {})
{
    step(); // first run pays for lazily built lists and style polish
    if (untimed)
        untimed();
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (untimed)
            untimed();
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

void report(QTextStream &out, const QString &what, const Figures &f)
{
    out << QStringLiteral("  %1: median %2 ms, worst %3 ms (one 60 Hz frame: %4 ms)\n")
               .arg(what)
               .arg(f.median, 0, 'f', 2)
               .arg(f.worst, 0, 'f', 2)
               .arg(kFrameMs, 0, 'f', 1);
}

} // namespace

int main(int argc, char *argv[])
{
    // The figures are the output; the window's diagnostics would bury them.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QApplication app(argc, argv);
    app.setStyleSheet(applicationStyleSheet());
    QTemporaryDir dir; // the window reads ./config.ini
    QDir::setCurrent(dir.path());

    Widget window;
    Ui::Widget *ui = window.form();
    window.adaptEditorToDevice(QStringLiteral("TRV-50")); // shows the trigger level
    window.show();
    QApplication::processEvents();

    QTextStream out(stdout);
    out << QStringLiteral("editor (median and worst of %1 rounds)\n").arg(kRounds);

    report(out, QStringLiteral("Expression event to Pitch Bend and back"), measure([&] {
               ui->expression_comboBox0->setCurrentIndex(2);
               ui->expression_comboBox0->setCurrentIndex(0);
               QApplication::processEvents();
           }));

    ui->expression_comboBox0->setCurrentIndex(2);
    QApplication::processEvents();
    QComboBox *level = ui->expression_trigger_level;
    level->setCurrentIndex(8192);
    report(out, QStringLiteral("opening the 16384-entry Pitch Bend level pop-up"),
           measure(
               [&] {
                   level->showPopup();
                   QApplication::processEvents(); // lay out and paint what is shown
               },
               [&] {
                   level->hidePopup();
                   QApplication::processEvents();
               }));
    out << QStringLiteral("  entries shown by the level selector: %1\n").arg(level->count());
    return 0;
}
