#include "plot_figures.h"

#include "bench_window.h"
#include "level_plot_window.h"
#include "mainwindow.h"
#include "process_meter.h"
#include "signal/level_series.h"
#include "sim_child.h"
#include "ui_mainwindow.h"

namespace bench {

// The unit of the README's screenshot: channel 1 in HF mode, its level a
// 20 s sine around 60 mV, an alarm while it stays above the cut threshold.
const QStringList kMovingLevel{QStringLiteral("--pace-input"),
                               QStringLiteral("--modes"),
                               QStringLiteral("2,1,1,1"),
                               QStringLiteral("--level"),
                               QStringLiteral("1:sine:20000:120:60"),
                               QStringLiteral("--cut-alarm"),
                               QStringLiteral("1")};

QList<Figure> plot_figures(int seconds)
{
    const QString name =
        QStringLiteral("CPU with the level plot open, status poll running (%1 s)").arg(seconds);
    SimChild sim;
    QString error;
    if (!sim.start(kMovingLevel, &error))
        return {not_measured(name, error)};
    BenchWindow bench;
    MainWindow &window = *bench.window;
    const QString why = connect_window(window, sim, *bench.dialogs);
    if (!why.isEmpty())
        return {not_measured(name, why)};

    const auto measure = [&](int *polls) {
        const int before = sim.requests();
        CpuShare cpu;
        run_for(seconds * 1000);
        *polls = sim.requests() - before;
        return cpu.share() * 100;
    };
    Figure f;
    f.name = name;
    f.unit = QStringLiteral("%");
    f.limit = 2;
    f.additive = true;
    run_for(1000);
    int polls_without = 0, polls_with = 0;
    f.floor = measure(&polls_without);
    window.open_level_plot();
    run_for(1000);
    f.value = measure(&polls_with);
    const int points = window.level_plot() ? window.level_plot()->series().size() : 0;
    f.measured = polls_without > 0 && polls_with > 0 && points > 0;
    f.note =
        QStringLiteral("floor: the same %1 s without the plot; %2 and %3 polls; the plot holds %4 points")
            .arg(seconds)
            .arg(polls_without)
            .arg(polls_with)
            .arg(points);
    window.form().searchButton->released();  // "Стоп"
    return {f};
}

}  // namespace bench
