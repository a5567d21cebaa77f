#include "window_figures.h"

#include "bench_window.h"
#include "common/timing.h"
#include "mainwindow.h"
#include "process_meter.h"
#include "sim_child.h"
#include "ui_mainwindow.h"

namespace bench {

QList<Figure> window_figures(SimChild &sim, int poll_seconds, const Timing &timing)
{
    const QString poll_name = QStringLiteral("CPU while connected, status poll running");
    const QString ampl_name = QStringLiteral("CPU during the amplitude collection");
    BenchWindow bench(timing);
    MainWindow &window = *bench.window;
    const std::shared_ptr<BenchDialogs> &dialogs = bench.dialogs;

    // As the installer does: the port, the address, "Старт".
    const QString why = connect_window(window, sim, *dialogs);
    if (!why.isEmpty())
        return {not_measured(poll_name, why), not_measured(ampl_name, why)};
    const Ui::MainWindow &ui = window.form();

    QList<Figure> figures;
    {
        Figure f;
        f.name = poll_name;
        f.unit = QStringLiteral("%");
        f.limit = 2;
        const int before = sim.requests();
        CpuShare cpu;
        run_for(poll_seconds * 1000);
        f.value = cpu.share() * 100;
        const int polls = sim.requests() - before;
        f.measured = polls > 0;
        f.note = QStringLiteral("%1 s, %2 polls answered").arg(poll_seconds).arg(polls);
        figures << f;
    }
    {
        Figure f;
        f.name = ampl_name;
        f.unit = QStringLiteral("%");
        f.limit = 2;
        dialogs->messages.clear();
        CpuShare cpu;
        window.ampl();
        f.value = cpu.share() * 100;
        const QString result = dialogs->messages.value(0);
        f.measured = result.startsWith(QStringLiteral("Амплитуда : "));
        f.note = QStringLiteral("%1 s, \"%2\"").arg(cpu.wall_ms() / 1000, 0, 'f', 1).arg(result);
        figures << f;
    }
    ui.searchButton->released();  // "Стоп"
    return figures;
}

}  // namespace bench
