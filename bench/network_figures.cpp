#include "network_figures.h"

#include "cli.h"
#include "commands.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/qt_serial_port.h"
#include "link/rfc2217_port.h"
#include "ser2net_process.h"
#include "sim_child.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace bench {

namespace {

constexpr int kLines = 4;

double elapsed_ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Median of count get_channel_modes transactions to unit 1; -1 when one
// got no answer.
double median_read_ms(SerialPort &port, int count)
{
    Exchange exchange;
    exchange.set_port(&port);
    QList<double> times;
    for (int i = 0; i < count; ++i) {
        QByteArray payload = QByteArray::fromHex("0105");
        QElapsedTimer t;
        t.start();
        const int r = exchange.SendCommand(payload, false);
        times << elapsed_ms(t);
        if (r != Ok)
            return -1;
    }
    exchange.set_port(nullptr);
    std::sort(times.begin(), times.end());
    return times.value(times.size() / 2);
}

Figure read_through_server(int transactions)
{
    Figure f;
    f.name =
        QStringLiteral("one read transaction through ser2net (RFC 2217), median of %1").arg(transactions);
    f.unit = QStringLiteral("ms");
    f.limit = 1.3;
    SimChild sim;
    QString error;
    if (!sim.start({QStringLiteral("--pace-input")}, &error))
        return not_measured(f.name, error);
    QtSerialPort pty;
    if (!pty.open(sim.port(), LineSettings{57600}))
        return not_measured(f.name, pty.errorString());
    f.floor = median_read_ms(pty, transactions);
    pty.close();

    Ser2netProcess server;
    if (!server.start({Ser2netProcess::device_of(sim.port())}))
        return not_measured(f.name, QStringLiteral("ser2net did not start (scripts/deps.sh installs it)"));
    Rfc2217Port network;
    if (!network.open(server.url(), LineSettings{4800}) || !network.setBaudRate(57600))
        return not_measured(f.name, network.errorString());
    f.value = median_read_ms(network, transactions);
    f.measured = f.floor > 0 && f.value > 0;
    f.note = QStringLiteral("floor: the same over the pseudo-terminal");
    return f;
}

// mirval-cli backup of the lines (units 1 and 2 on each), in this process.
double backup_ms(const QStringList &lines, const QString &dir, int *failed)
{
    cli::Context c;
    c.json = true;
    c.ports = lines;
    c.port = lines.first();
    c.args.values[QStringLiteral("dir")] = dir;
    c.args.values[QStringLiteral("from")] = QStringLiteral("1");
    c.args.values[QStringLiteral("to")] = QStringLiteral("2");
    QElapsedTimer t;
    t.start();
    const int r = cli::run_backup(c);
    *failed = r == cli::Success ? 0 : qMax(1, c.result[QStringLiteral("failed")].toInt());
    return elapsed_ms(t);
}

Figure site_backup(int rounds)
{
    Figure f;
    f.name = QStringLiteral("backup of %1 lines x 2 units through ser2net").arg(kLines);
    f.unit = QStringLiteral("ms");
    f.limit = 1.2;
    std::vector<std::unique_ptr<SimChild>> sims;
    QStringList devices;
    QString error;
    for (int i = 0; i < kLines; ++i) {
        sims.push_back(std::make_unique<SimChild>());
        if (!sims.back()->start(
                {QStringLiteral("--pace-input"), QStringLiteral("--address"), QStringLiteral("1,2")}, &error))
            return not_measured(f.name, error);
        devices << Ser2netProcess::device_of(sims.back()->port());
    }
    Ser2netProcess server;
    if (!server.start(devices))
        return not_measured(f.name, QStringLiteral("ser2net did not start (scripts/deps.sh installs it)"));
    QStringList lines;
    for (int i = 0; i < kLines; ++i)
        lines << server.url(i);
    // One line, then all four, by turns; the median of each.
    QTemporaryDir dir;
    QList<double> one, all;
    int failed = 0;
    for (int round = 0; round < rounds; ++round) {
        int f1 = 0, f4 = 0;
        one << backup_ms({lines.first()}, dir.filePath(QStringLiteral("one-%1").arg(round)), &f1);
        all << backup_ms(lines, dir.filePath(QStringLiteral("all-%1").arg(round)), &f4);
        failed += f1 + f4;
    }
    std::sort(one.begin(), one.end());
    std::sort(all.begin(), all.end());
    f.floor = one.value(one.size() / 2);
    f.value = all.value(all.size() / 2);
    f.measured = failed == 0;
    f.note = QStringLiteral("floor: one line x 2 units; medians of %1 runs by turns").arg(rounds);
    if (!f.measured)
        f.note += QStringLiteral("; %1 unit(s) not saved").arg(failed);
    return f;
}

}  // namespace

QList<Figure> network_figures(int transactions, bool smoke)
{
    return {read_through_server(smoke ? 10 : transactions), site_backup(smoke ? 1 : 5)};
}

}  // namespace bench
