#include "startup_figures.h"

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>

namespace bench {

namespace {

struct Start {
    bool ok = false;
    double ms = 0;
    double peak_mib = 0;
    QString error;
};

// From process start to the probe's report.
Start run_probe(const QString &program, const QStringList &arguments = {})
{
    Start s;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(program, arguments);
    QByteArray out;
    while (!out.contains('\n') && t.elapsed() < 20000 && p.waitForReadyRead(20000 - int(t.elapsed())))
        out += p.readAllStandardOutput();
    s.ms = double(t.nsecsElapsed()) / 1e6;
    if (!p.waitForFinished(10000))
        p.kill();
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

    Figure against_baseline;
    against_baseline.name = QStringLiteral("start-up against the baseline build, median of %1").arg(rounds);
    against_baseline.unit = QStringLiteral("ms");
    against_baseline.limit = 1.02;

    QList<double> program_ms, minimal_ms, program_mib, minimal_mib, label_ms, label_mib, baseline_ms;
    const int kinds = baseline_probe.isEmpty() ? 3 : 4;
    // Alternately, so that all see the same state of the machine's caches;
    // the first round only warms them.
    for (int i = -1; i < rounds; ++i) {
        for (int kind = 0; kind < kinds; ++kind) {
            // The program, the floor, the floor with one text label, the
            // program as built from the baseline.
            const Start s = kind == 0   ? run_probe(QStringLiteral(PULT_PROBE_PATH))
                            : kind == 1 ? run_probe(QStringLiteral(MINIMAL_PROBE_PATH))
                            : kind == 2
                                ? run_probe(QStringLiteral(MINIMAL_PROBE_PATH), {QStringLiteral("--label")})
                                : run_probe(baseline_probe);
            if (!s.ok) {
                time.note = memory.note = against_baseline.note = s.error;
                return kinds == 4 ? QList<Figure>{time, memory, against_baseline}
                                  : QList<Figure>{time, memory};
            }
            if (i < 0)
                continue;
            if (kind == 3) {
                baseline_ms << s.ms;
                continue;
            }
            (kind == 0 ? program_ms : kind == 1 ? minimal_ms : label_ms) << s.ms;
            (kind == 0 ? program_mib : kind == 1 ? minimal_mib : label_mib) << s.peak_mib;
        }
    }
    time.value = median(program_ms);
    time.floor = median(minimal_ms);
    memory.value = median(program_mib);
    memory.floor = median(minimal_mib);
    time.measured = memory.measured = true;
    const auto range = [](QList<double> v) {
        std::sort(v.begin(), v.end());
        return QStringLiteral("%1..%2").arg(v.first(), 0, 'f', 1).arg(v.last(), 0, 'f', 1);
    };
    time.note = QStringLiteral("floor: a Qt program showing one empty QWidget; program %1 ms, floor %2 ms; "
                               "with one text label the floor is %3 ms (ratio %4)")
                    .arg(range(program_ms), range(minimal_ms))
                    .arg(median(label_ms), 0, 'f', 1)
                    .arg(time.value / median(label_ms), 0, 'f', 3);
    memory.note = QStringLiteral("floor: the same empty QWidget; with one text label %1 MiB (ratio %2)")
                      .arg(median(label_mib), 0, 'f', 1)
                      .arg(memory.value / median(label_mib), 0, 'f', 3);
    if (kinds == 3)
        return {time, memory};
    against_baseline.value = time.value;
    against_baseline.floor = median(baseline_ms);
    against_baseline.measured = true;
    against_baseline.note = QStringLiteral("floor: %1 (%2 ms)").arg(baseline_probe, range(baseline_ms));
    return {time, memory, against_baseline};
}

}  // namespace bench
