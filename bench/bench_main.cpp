// mirval-bench: the program's speed and cost against the simulated unit on a
// pseudo-terminal, each figure beside its physical floor.
#include "common/timing.h"
#include "figure.h"
#include "line_figures.h"
#include "link/qt_serial_port.h"
#include "network_figures.h"
#include "plot_figures.h"
#include "report_figures.h"
#include "sim_child.h"
#include "startup_figures.h"
#include "window_figures.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QSysInfo>
#include <QThread>

#include <cstdio>

namespace {

// The program's debug lines are formatted as always, then dropped: the
// table is the output.
void quiet_handler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

QString machine()
{
    QString cpu = QStringLiteral("unknown CPU");
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly))
        for (const QByteArray &line : info.readAll().split('\n'))
            if (line.startsWith("model name")) {
                cpu = QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
                break;
            }
    return QStringLiteral("%1, %2 cores, %3 %4, Qt %5, QPA %6")
        .arg(cpu)
        .arg(QThread::idealThreadCount())
        .arg(QSysInfo::kernelType(), QSysInfo::kernelVersion(), QString::fromLatin1(qVersion()),
             QGuiApplication::platformName());
}

void print(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mirval-bench"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Measures the program against mirval-sim on a pseudo-terminal and prints each figure with its floor "
        "and the ratio. Exit status 1 when a target is missed or a figure could not be measured."));
    p.addHelpOption();
    const QCommandLineOption with_write(QStringLiteral("with-write"),
                                        QStringLiteral("Also the whole-unit write (about 41 s)."));
    const QCommandLineOption transactions(QStringLiteral("transactions"),
                                          QStringLiteral("Read transactions to time (default 200)."),
                                          QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption poll_seconds(QStringLiteral("poll-seconds"),
                                          QStringLiteral("Seconds of status poll to measure (default 30)."),
                                          QStringLiteral("S"), QStringLiteral("30"));
    const QCommandLineOption firmware_kib(
        QStringLiteral("firmware-kib"),
        QStringLiteral("Firmware image size, 1..64 KiB (default 64, about 7 min)."), QStringLiteral("KIB"),
        QStringLiteral("64"));
    const QCommandLineOption rounds(QStringLiteral("startup-rounds"),
                                    QStringLiteral("Start-ups of each program (default 7)."),
                                    QStringLiteral("N"), QStringLiteral("7"));
    const QCommandLineOption plot_seconds(
        QStringLiteral("plot-seconds"),
        QStringLiteral("Seconds of status poll without and then with the level plot (default 60)."),
        QStringLiteral("S"), QStringLiteral("60"));
    const QCommandLineOption baseline(
        QStringLiteral("baseline-probe"),
        QStringLiteral("The start-up probe built from another revision: start-up is also held against it."),
        QStringLiteral("PATH"));
    const QCommandLineOption smoke(QStringLiteral("smoke"),
                                   QStringLiteral("A few seconds of everything; only checks that each figure "
                                                  "can be measured, not the targets."));
    const QCommandLineOption only(
        QStringLiteral("only"),
        QStringLiteral(
            "Only these groups: line, window, plot, firmware, network, report, startup (comma-separated)."),
        QStringLiteral("GROUPS"), QStringLiteral("line,window,plot,firmware,network,report,startup"));
    p.addOptions(
        {with_write, transactions, poll_seconds, plot_seconds, firmware_kib, rounds, baseline, smoke, only});
    p.process(app);
    qInstallMessageHandler(quiet_handler);

    const bool is_smoke = p.isSet(smoke);
    bench::LineRun run;
    run.transactions = qBound(1, p.value(transactions).toInt(), 100000);
    run.with_write = p.isSet(with_write);
    int poll = qBound(1, p.value(poll_seconds).toInt(), 3600);
    int plot = qBound(1, p.value(plot_seconds).toInt(), 3600);
    int kib = qBound(1, p.value(firmware_kib).toInt(), 64);
    int startups = qBound(1, p.value(rounds).toInt(), 100);
    if (is_smoke) {
        run.transactions = 10;
        poll = 2;
        plot = 2;
        kib = 1;
        startups = 1;
        // A shortened collection second keeps the amplitude run short.
        run.timing.collect_second_ms = 100;
        run.timing.pre_wait_ms = 20;
    }

    const QStringList groups = p.value(only).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &g : groups)
        if (!QStringList{"line", "window", "plot", "firmware", "network", "report", "startup"}.contains(g)) {
            std::fprintf(stderr, "mirval-bench: no group \"%s\"\n", qPrintable(g));
            return 2;
        }
    const auto wanted = [&groups](const char *g) { return groups.contains(QLatin1String(g)); };

    print(QStringLiteral("machine: ") + machine());
    bench::SimChild sim;
    QString error;
    if (!sim.start({QStringLiteral("--pace-input")}, &error)) {
        std::fprintf(stderr, "mirval-bench: %s\n", qPrintable(error));
        return 1;
    }
    print(QStringLiteral("simulated unit on ") + sim.port() +
          QStringLiteral(", requests paced at line speed"));

    QList<bench::Figure> figures;
    if (wanted("line")) {
        QtSerialPort port;
        LineSettings settings;
        settings.baud_rate = 57600;
        if (!port.open(sim.port(), settings)) {
            std::fprintf(stderr, "mirval-bench: cannot open %s: %s\n", qPrintable(sim.port()),
                         qPrintable(port.errorString()));
            return 1;
        }
        figures << bench::line_figures(port, run);
        port.close();
    }
    if (wanted("window"))
        figures << bench::window_figures(sim, poll, run.timing);
    if (wanted("firmware")) {
        QtSerialPort port;
        LineSettings settings;
        settings.baud_rate = 57600;
        if (port.open(sim.port(), settings))
            figures << bench::firmware_figure(port, kib, run.timing);
        else
            figures << bench::not_measured(QStringLiteral("firmware image"), port.errorString());
    }
    sim.stop();
    if (wanted("plot"))
        figures << bench::plot_figures(plot);
    if (wanted("network"))
        figures << bench::network_figures(run.transactions, is_smoke);
    if (wanted("report"))
        figures << bench::report_figures(is_smoke ? 1 : 5);
    if (wanted("startup"))
        figures << bench::startup_figures(startups, p.value(baseline));

    print(bench::table(figures));
    int missed = 0, failed = 0;
    for (const bench::Figure &f : figures) {
        const bool optional = !f.measured && f.note.contains(QStringLiteral("--with-write"));
        failed += !f.measured && !optional;
        missed += f.measured && !f.met();
    }
    if (is_smoke) {
        print(failed ? QStringLiteral("smoke run: %1 figure(s) could not be measured").arg(failed)
                     : QStringLiteral("smoke run: every figure measured"));
        return failed ? 1 : 0;
    }
    print(QStringLiteral("%1 target(s) missed, %2 figure(s) not measured").arg(missed).arg(failed));
    return missed || failed ? 1 : 0;
}
