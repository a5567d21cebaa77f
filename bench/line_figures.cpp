#include "line_figures.h"

#include "common/timing.h"
#include "config/config_diff.h"
#include "config/unit_transfer.h"
#include "config/write_plan.h"
#include "firmware/firmware_transfer.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/serial_port.h"
#include "process_meter.h"
#include "wire.h"

#include "hex_image.h"

#include <QElapsedTimer>

#include <algorithm>

namespace bench {

namespace {

constexpr char kGetChannelModes = 0x05;
constexpr int kAbsentAddress = 200;  // no unit answers there

double elapsed_ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Hooks that run each request on the exchange and add up the floor of the
// sequence: a request with the set commands' pause costs the pause, a tick
// and its wire time; any other at least a tick, or its wire time if longer.
struct CountingHooks {
    CountingHooks(Exchange &exchange, int baud) : exchange(exchange), baud(baud)
    {
        hooks.send = [this](QByteArray &payload, bool pre_wait) {
            QByteArray frame = payload;
            encode_frame(frame);
            const int r = this->exchange.SendCommand(payload, pre_wait);
            const double wire =
                wire_ms(frame.size() + (r == Ok ? answer_frame_size(payload.size()) : 0), this->baud);
            const double tick = this->exchange.timing.tick_ms;
            floor_ms += pre_wait ? this->exchange.timing.pre_wait_ms + tick + wire : std::max(tick, wire);
            ++requests;
            failures += r != Ok;
            return r;
        };
    }
    Exchange &exchange;
    int baud;
    TransferHooks hooks;
    double floor_ms = 0;
    int requests = 0;
    int failures = 0;
};

Figure read_transaction(Exchange &exchange, int baud, int count)
{
    Figure f;
    f.name = QStringLiteral("one read transaction at %1 baud, median of %2").arg(baud).arg(count);
    f.unit = QStringLiteral("ms");
    f.limit = 1.15;
    QList<double> times;
    double wire = 0;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        QByteArray payload;
        payload.append(char(1)).append(kGetChannelModes);
        QByteArray frame = payload;
        encode_frame(frame);
        QElapsedTimer t;
        t.start();
        const int r = exchange.SendCommand(payload, false);
        times << elapsed_ms(t);
        if (r != Ok) {
            ++failures;
            continue;
        }
        wire = wire_ms(frame.size() + answer_frame_size(payload.size()), baud);
    }
    std::sort(times.begin(), times.end());
    f.value = times.value(times.size() / 2);
    f.floor = std::max(double(exchange.timing.tick_ms), wire);
    f.measured = failures == 0;
    f.note =
        QStringLiteral("wire time %1 ms, slowest %2 ms").arg(wire, 0, 'f', 2).arg(times.last(), 0, 'f', 2);
    if (failures)
        f.note += QStringLiteral("; %1 not answered").arg(failures);
    return f;
}

Figure unit_read(Exchange &exchange, int baud, UnitConfig *config)
{
    Figure f;
    f.name = QStringLiteral("whole-unit read, four LF channels");
    f.unit = QStringLiteral("ms");
    f.limit = 1.2;
    CountingHooks counting(exchange, baud);
    QElapsedTimer t;
    t.start();
    // As the window does it: the settling pause, then the requests.
    exchange.wait_ms(exchange.timing.settle_ms);
    const bool done = read_unit_config(counting.hooks, 1, *config);
    f.value = elapsed_ms(t);
    f.floor = exchange.timing.settle_ms + counting.floor_ms;
    f.measured = done;
    f.note = QStringLiteral("%1 requests").arg(counting.requests);
    if (!done)
        f.note += QStringLiteral("; did not complete");
    return f;
}

// The unit's configuration with two values changed: the threshold of
// channel 3 and the delay.
UnitConfig two_changed(UnitConfig c)
{
    c.channels[2].porog = c.channels[2].porog == 9 ? 8 : 9;
    c.zaderzhka = c.zaderzhka == 6 ? 5 : 6;
    return c;
}

// A file compared with the unit: one whole-unit read and the comparison.
Figure compare_figure(Exchange &exchange, int baud, const UnitConfig &file)
{
    Figure f;
    f.name = QStringLiteral("comparison of a file with the unit");
    f.unit = QStringLiteral("ms");
    f.limit = 1.1;
    CountingHooks counting(exchange, baud);
    QElapsedTimer t;
    t.start();
    exchange.wait_ms(exchange.timing.settle_ms);
    UnitConfig unit;
    const bool done = read_unit_config(counting.hooks, 1, unit);
    const qsizetype differing = config_diff::differing(config_diff::compare(unit, file)).size();
    f.value = elapsed_ms(t);
    f.floor = exchange.timing.settle_ms + counting.floor_ms;
    f.measured = done && differing == 2;
    f.note = QStringLiteral("floor: the whole-unit read's; %1 requests, %2 values differ")
                 .arg(counting.requests)
                 .arg(differing);
    return f;
}

// write --changed-only of that file: the read, the two set requests and
// their read-back, as the tool runs them.
Figure changed_write_figure(Exchange &exchange, int baud, const UnitConfig &file)
{
    Figure f;
    f.name = QStringLiteral("write --changed-only of 2 differing values");
    f.unit = QStringLiteral("ms");
    f.limit = 1.2;
    CountingHooks counting(exchange, baud);
    QElapsedTimer t;
    t.start();
    exchange.wait_ms(exchange.timing.settle_ms);
    UnitConfig unit;
    bool done = read_unit_config(counting.hooks, 1, unit);
    const write_plan::Plan plan =
        write_plan::plan(1, file, config_diff::differing(config_diff::compare(file, unit)));
    int wrong = 0;
    write_plan::Progress progress;
    progress.before_reads = [&exchange] { exchange.wait_ms(exchange.timing.settle_ms); };
    progress.checked = [&wrong](const write_plan::Expected &e, qint32 held) { wrong += held != e.code; };
    done = done && write_plan::carry_out(counting.hooks, plan, progress) == 0;
    f.value = elapsed_ms(t);
    f.floor = 2.0 * exchange.timing.settle_ms + counting.floor_ms;
    f.measured = done && plan.writes.size() == 2 && wrong == 0;
    f.note = QStringLiteral("floor: one whole-unit read, %1 set requests and %2 reads back; %3 requests; "
                            "the whole-unit write takes about 43 s")
                 .arg(plan.writes.size())
                 .arg(plan.reads.size())
                 .arg(counting.requests);
    return f;
}

Figure unit_write_figure()
{
    Figure f;
    f.name = QStringLiteral("whole-unit write of the same record");
    f.unit = QStringLiteral("ms");
    f.limit = 1.03;
    return f;
}

Figure unit_write(Exchange &exchange, int baud, const UnitConfig &config)
{
    Figure f = unit_write_figure();
    CountingHooks counting(exchange, baud);
    QElapsedTimer t;
    t.start();
    const bool done = write_unit_config(counting.hooks, 1, config);
    f.value = elapsed_ms(t);
    f.floor = counting.floor_ms;
    f.measured = done;
    f.note = QStringLiteral("%1 requests").arg(counting.requests);
    if (!done)
        f.note += QStringLiteral("; did not complete");
    return f;
}

Figure silent_transaction(Exchange &exchange)
{
    Figure f;
    f.name = QStringLiteral("CPU during a silent transaction");
    f.unit = QStringLiteral("%");
    f.limit = 2;
    QByteArray payload;
    payload.append(char(kAbsentAddress)).append(kGetChannelModes);
    CpuShare cpu;
    const int r = exchange.SendCommand(payload, false);
    f.value = cpu.share() * 100;
    f.measured = r == NoAnswer;
    f.note = QStringLiteral("%1 s of no answer").arg(cpu.wall_ms() / 1000, 0, 'f', 2);
    if (r != NoAnswer)
        f.note += QStringLiteral("; answered (%1)").arg(r);
    return f;
}

}  // namespace

QList<Figure> line_figures(SerialPort &port, const LineRun &run)
{
    Exchange exchange;
    exchange.timing = run.timing;
    exchange.set_port(&port);
    const int baud = port.baudRate();
    QList<Figure> figures;
    figures << read_transaction(exchange, baud, run.transactions);
    UnitConfig config;
    figures << unit_read(exchange, baud, &config);
    figures << compare_figure(exchange, baud, two_changed(config));
    figures << changed_write_figure(exchange, baud, two_changed(config));
    if (run.with_write)
        figures << unit_write(exchange, baud, config);
    else {
        Figure f = unit_write_figure();
        f.note = QStringLiteral("about 41 s; run with --with-write");
        figures << f;
    }
    figures << silent_transaction(exchange);
    return figures;
}

Figure firmware_figure(SerialPort &port, int kib, const Timing &timing)
{
    Figure f;
    f.name = QStringLiteral("%1 KiB firmware image at %2 baud").arg(kib).arg(firmware::kLoaderBaud);
    f.unit = QStringLiteral("s");
    f.limit = 1.6;
    const QStringList lines = hex_image::lines(kib * 1024);

    // On the line: the entry frame and every line one way, an acknowledgement
    // for the entry and for each line the other.
    qint64 bytes = firmware::entry_frame().size() + 1;
    for (const QString &line : lines)
        bytes += firmware::line_frame(line).size() + 1;

    Exchange exchange;
    exchange.timing = timing;
    exchange.set_port(&port);
    firmware::Hooks hooks;
    hooks.wait = [&exchange](int ms) { exchange.wait_ms(ms); };
    hooks.send = [&exchange](QByteArray &payload, bool pre_wait) {
        return exchange.SendCommand(payload, pre_wait);
    };
    QElapsedTimer transfer;
    double transfer_ms = 0;
    hooks.transfer_begins = [&transfer](int) { transfer.start(); };
    hooks.transfer_ends = [&] { transfer_ms = elapsed_ms(transfer); };
    QString failure;
    hooks.failed = [&failure](const QString &text) { failure = text; };

    QElapsedTimer whole;
    whole.start();
    const firmware::Outcome outcome = firmware::update(exchange, lines, hooks);
    f.value = transfer_ms / 1000;
    f.floor = wire_ms(bytes, firmware::kLoaderBaud) / 1000;
    f.measured = outcome == firmware::Outcome::Updated;
    f.note = QStringLiteral("%1 lines; with the speed change and the restart %2 s")
                 .arg(lines.size())
                 .arg(elapsed_ms(whole) / 1000, 0, 'f', 1);
    if (!f.measured)
        f.note +=
            QStringLiteral("; failed: ") + QString(failure).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return f;
}

}  // namespace bench
