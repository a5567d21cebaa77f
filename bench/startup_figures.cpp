#include "startup_figures.h"

#include "config/config_file.h"
#include "config/factory_config.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <sys/resource.h>

namespace bench {

namespace {

struct Start {
    bool ok = false;
    double ms = 0;
    double cpu_ms = 0;  // of the whole probe process, to its exit
    double peak_mib = 0;
    QString error;
};

// From process start to the probe's report.
Start run_probe(const QString &program, const QStringList &arguments = {})
{
    Start s;
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(program, arguments);
    QByteArray out;
    while (!out.contains('\n') && t.elapsed() < 20000 && p.waitForReadyRead(20000 - int(t.elapsed())))
        out += p.readAllStandardOutput();
    s.ms = double(t.nsecsElapsed()) / 1e6;
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(3000);
    }
    getrusage(RUSAGE_CHILDREN, &after);
    const auto ms_of = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    s.cpu_ms =
        ms_of(after.ru_utime) + ms_of(after.ru_stime) - ms_of(before.ru_utime) - ms_of(before.ru_stime);
    const QList<QByteArray> words = out.trimmed().split(' ');
    s.ok = words.size() == 2 && words[0] == "shown";
    s.peak_mib = words.value(1).toDouble() / 1024.0;
    if (!s.ok)
        s.error = program + QStringLiteral(" reported ") + QString::fromUtf8(out.trimmed());
    return s;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

}  // namespace

QList<Figure> startup_figures(int rounds, const QString &baseline_probe)
{
    Figure time;
    time.name = QStringLiteral("start-up to the painted main window, median of %1").arg(rounds);
    time.unit = QStringLiteral("ms");
    time.limit = 1.5;
    Figure memory;
    memory.name = QStringLiteral("peak memory at start-up");
    memory.unit = QStringLiteral("MiB");
    memory.limit = 1.3;

    // Each round's program start over the baseline's right after it: a
    // ratio of neighbours, so that the load of the machine, which changes
    // over the run, cancels out.
    Figure against_baseline;
    against_baseline.name =
        QStringLiteral("start-up over the baseline build's, median of %1 paired ratios").arg(rounds);
    against_baseline.unit = QStringLiteral("×");
    against_baseline.limit = 1.02;

    // The program opening a configuration file without a unit, over the
    // program's own start-up without one.
    Figure with_file;
    with_file.name =
        QStringLiteral("start-up with a configuration file, over start-up without, median of %1").arg(rounds);
    with_file.unit = QStringLiteral("ms");
    with_file.limit = 1.2;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("mirval 1 2026_12_08.cfg"));
    QString error;
    save_config_file(file, factory_config(), &error);

    QList<double> program_ms, minimal_ms, program_mib, minimal_mib, label_ms, label_mib, baseline_ms, file_ms;
    QList<double> program_cpu, baseline_cpu;
    // The program, the floor, the floor with one text label, the program
    // with a file, and the program as built from the baseline.
    enum Kind { Program, Minimal, Label, File, Baseline };
    QList<Kind> order{Minimal, Label, File, Program};
    if (!baseline_probe.isEmpty())
        order << Baseline;
    // Alternately, so that all see the same state of the machine's caches;
    // the program and the baseline run next to each other, first one, then
    // the other. The first round only warms the caches.
    for (int i = -1; i < rounds; ++i) {
        if (order.size() == 5)
            order.swapItemsAt(3, 4);
        for (Kind kind : order) {
            const Start s = kind == Program   ? run_probe(QStringLiteral(PULT_PROBE_PATH))
                            : kind == Minimal ? run_probe(QStringLiteral(MINIMAL_PROBE_PATH))
                            : kind == File    ? run_probe(QStringLiteral(PULT_PROBE_PATH), {file})
                            : kind == Label
                                ? run_probe(QStringLiteral(MINIMAL_PROBE_PATH), {QStringLiteral("--label")})
                                : run_probe(baseline_probe);
            if (!s.ok) {
                time.note = memory.note = with_file.note = against_baseline.note = s.error;
                return order.size() == 5 ? QList<Figure>{time, memory, with_file, against_baseline}
                                         : QList<Figure>{time, memory, with_file};
            }
            if (i < 0)
                continue;
            if (kind == File) {
                file_ms << s.ms;
                continue;
            }
            if (kind == Baseline) {
                baseline_ms << s.ms;
                baseline_cpu << s.cpu_ms;
                continue;
            }
            if (kind == Program)
                program_cpu << s.cpu_ms;
            (kind == Program ? program_ms : kind == Minimal ? minimal_ms : label_ms) << s.ms;
            (kind == Program ? program_mib : kind == Minimal ? minimal_mib : label_mib) << s.peak_mib;
        }
    }
    time.value = median(program_ms);
    time.floor = median(minimal_ms);
    memory.value = median(program_mib);
    memory.floor = median(minimal_mib);
    time.measured = memory.measured = true;
    const auto range = [](QList<double> v, int decimals = 1) {
        std::sort(v.begin(), v.end());
        return QStringLiteral("%1..%2").arg(v.first(), 0, 'f', decimals).arg(v.last(), 0, 'f', decimals);
    };
    time.note = QStringLiteral("floor: a Qt program showing one empty QWidget; program %1 ms, floor %2 ms; "
                               "with one text label the floor is %3 ms (ratio %4)")
                    .arg(range(program_ms), range(minimal_ms))
                    .arg(median(label_ms), 0, 'f', 1)
                    .arg(time.value / median(label_ms), 0, 'f', 3);
    memory.note = QStringLiteral("floor: the same empty QWidget; with one text label %1 MiB (ratio %2)")
                      .arg(median(label_mib), 0, 'f', 1)
                      .arg(memory.value / median(label_mib), 0, 'f', 3);
    with_file.value = median(file_ms);
    with_file.floor = time.value;
    with_file.measured = true;
    with_file.note = QStringLiteral("floor: the program's start-up without a file; with the file %1 ms")
                         .arg(range(file_ms));
    if (baseline_ms.isEmpty())
        return {time, memory, with_file};
    QList<double> ratios, cpu_ratios;
    for (int i = 0; i < program_ms.size(); ++i) {
        ratios << program_ms[i] / baseline_ms[i];
        cpu_ratios << program_cpu[i] / std::max(baseline_cpu[i], 0.001);
    }
    against_baseline.value = median(ratios);
    against_baseline.measured = true;
    against_baseline.note =
        QStringLiteral("%1: median %2 ms (%3 ms), the program %4 ms; ratios %5; CPU time of the whole "
                       "process %6 ms against %7 ms, median ratio %8")
            .arg(baseline_probe)
            .arg(median(baseline_ms), 0, 'f', 1)
            .arg(range(baseline_ms))
            .arg(time.value, 0, 'f', 1)
            .arg(range(ratios, 3))
            .arg(median(program_cpu), 0, 'f', 1)
            .arg(median(baseline_cpu), 0, 'f', 1)
            .arg(median(cpu_ratios), 0, 'f', 3);
    return {time, memory, with_file, against_baseline};
}

}  // namespace bench
