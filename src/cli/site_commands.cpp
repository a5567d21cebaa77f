// A whole site at once: every unit on every line saved into a directory, or
// written back from it. The lines run in parallel, one thread and one
// exchange each; the units of a line one after another.
#include "channels/line_scan.h"
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "commands.h"
#include "config/config_file.h"
#include "config_commands.h"
#include "link/frames.h"
#include "link/link_settings.h"
#include "site_files.h"
#include "site_lines.h"

#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QThread>
#include <QTimer>
#include <memory>

namespace cli {

namespace {

// One line of the final table: a unit, or a line that failed as a whole
// (address 0).
struct Row {
    QString line;
    int address = 0;
    QString version;
    QString file;
    QString error;  // empty: done
};

// What the lines' threads report while they run, for the progress line.
class LineStatus {
public:
    explicit LineStatus(int lines) : m_texts(lines) {}
    void set(int line, const QString &text)
    {
        const QMutexLocker lock(&m_mutex);
        m_texts[line] = text;
    }
    QString summary()
    {
        const QMutexLocker lock(&m_mutex);
        QStringList parts;
        for (const QString &t : m_texts)
            if (!t.isEmpty())
                parts << t;
        return parts.join(QStringLiteral("; "));
    }

private:
    QMutex m_mutex;
    QStringList m_texts;
};

// A line's own command context: its port, the tool's options, no printing.
Context line_context(const Context &c, const QString &port)
{
    Context line;
    line.port = port;
    line.ports = {port};
    line.speed = c.speed;
    line.timing = c.timing;
    line.args = c.args;
    line.quiet = true;
    line.json = true;  // no result lines either
    return line;
}

}  // namespace

// Runs work on every line on threads of its own, each with a context of its
// own whose progress shows in the line's place of the status meanwhile.
QList<line_scan::Unit> scan_line(Session &s, Context &line, int from, int to)
{
    line_scan::Hooks hooks;
    hooks.progress = [&](int address, int found) {
        line.progress(QStringLiteral("поиск %1/%2, найдено %3").arg(address).arg(to).arg(found));
    };
    const line_scan::Result found = line_scan::scan(s.link(), from, to, hooks);
    if (found.units.isEmpty())
        line.fail(UnitFailed, QStringLiteral("Блок не обнаружен!"));
    return found.units;
}

void run_on_lines(const Context &c, const std::function<void(int index, Context &line)> &work)
{
    const int count = int(c.ports.size());
    if (count == 0)
        return;
    LineStatus status(count);
    std::vector<std::unique_ptr<QThread>> threads;
    QEventLoop loop;
    int running = count;
    for (int i = 0; i < count; ++i) {
        const QString port = c.ports[i];
        threads.emplace_back(QThread::create([&, i, port] {
            Context line = line_context(c, port);
            line.progress_sink = [&status, i, port](const QString &text) {
                status.set(i, text.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(port, text));
            };
            work(i, line);
            status.set(i, QString());
        }));
        QObject::connect(threads.back().get(), &QThread::finished, &loop, [&] {
            if (--running == 0)
                loop.quit();
        });
    }
    QTimer shown;
    QObject::connect(&shown, &QTimer::timeout, &loop, [&] { c.progress(status.summary()); });
    if (c.progress_shown())
        shown.start(200);
    for (auto &t : threads)
        t->start();
    loop.exec();
    for (auto &t : threads)
        t->wait();
    c.progress(QString());
}

namespace {

QString version_of(Session &s)
{
    QByteArray buffer = readback::request(s.address(), readback::kGetVersion);
    return s.send(buffer, false) == 0 ? answers::version_text(buffer) : QStringLiteral("1.0");
}

// The rows of every line in the order of the lines.
QList<Row> run_lines(const Context &c, const std::function<QList<Row>(Context &line)> &work)
{
    std::vector<QList<Row>> rows(static_cast<size_t>(c.ports.size()));
    run_on_lines(c, [&](int index, Context &line) { rows[size_t(index)] = work(line); });
    QList<Row> all;
    for (const QList<Row> &r : rows)
        all += r;
    return all;
}

// The table on standard output and in the JSON document; exit 1 when any
// row failed.
int report(Context &c, const QList<Row> &rows, const QString &done_header)
{
    int width = int(QStringLiteral("Линия").size());
    for (const Row &r : rows)
        width = qMax(width, int(r.line.size()));
    c.out(QStringLiteral("%1  %2  %3  %4")
              .arg(QStringLiteral("Линия"), -width)
              .arg(QStringLiteral("Адрес"), 5)
              .arg(QStringLiteral("Версия"), -6)
              .arg(done_header));
    QJsonArray units;
    int failed = 0;
    for (const Row &r : rows) {
        c.out(QStringLiteral("%1  %2  %3  %4")
                  .arg(r.line, -width)
                  .arg(r.address ? QString::number(r.address) : QStringLiteral("-"), 5)
                  .arg(r.version.isEmpty() ? QStringLiteral("-") : r.version, -6)
                  .arg(r.error.isEmpty() ? r.file : r.error));
        QJsonObject o{{QStringLiteral("line"), r.line}};
        if (r.address)
            o[QStringLiteral("address")] = r.address;
        if (!r.version.isEmpty())
            o[QStringLiteral("version")] = r.version;
        if (!r.file.isEmpty())
            o[QStringLiteral("file")] = r.file;
        if (!r.error.isEmpty()) {
            o[QStringLiteral("error")] = r.error;
            ++failed;
        }
        units.append(o);
    }
    c.result[QStringLiteral("units")] = units;
    c.result[QStringLiteral("failed")] = failed;
    if (failed > 0)
        return c.fail(UnitFailed, QStringLiteral("Не выполнено: %1 из %2").arg(failed).arg(rows.size()));
    return Success;
}

// The directory argument, and the lines' file names checked against each
// other; Success or the usage failure.
int check_site(Context &c, QString *dir)
{
    *dir = c.args.values.value(QStringLiteral("dir"));
    if (dir->isEmpty())
        return c.fail(Usage, QStringLiteral("Не задан каталог (--dir DIR)"));
    const QString clash = site_files::clashing_lines(c.ports);
    if (!clash.isEmpty())
        return c.fail(Usage, clash);
    return Success;
}

// Every file restore would write, checked against the lists before any line
// is opened: one file with values outside them and nothing is written.
// Files that do not load are left to their units' rows.
int check_site_files(Context &c, const QString &dir)
{
    QStringList lines;
    QJsonArray bad_values;
    for (const QString &port : c.ports) {
        for (const int address : site_files::addresses_in(dir, port)) {
            const QString path = site_files::file_path(dir, port, address);
            UnitConfig config;
            if (!load_config_file(path, config).ok)
                continue;
            const QList<config_check::BadValue> bad = config_check::check(config);
            if (bad.isEmpty())
                continue;
            lines << bad_values_text(bad, path + QStringLiteral(": "));
            for (const config_check::BadValue &b : bad) {
                QJsonObject o = bad_value_json(b);
                o[QStringLiteral("file")] = path;
                bad_values.append(o);
            }
        }
    }
    if (lines.isEmpty())
        return Success;
    c.result[QStringLiteral("bad_values")] = bad_values;
    return c.fail(FileProblem, QStringLiteral("Ничего не записано: в файлах значения не из списков\n%1")
                                   .arg(lines.join(QLatin1Char('\n'))));
}

}  // namespace

int run_backup(Context &c)
{
    QString dir;
    if (int r = check_site(c, &dir))
        return r;
    bool ok_from = true, ok_to = true;
    const int from = c.args.values.value(QStringLiteral("from"), QStringLiteral("1")).toInt(&ok_from);
    const int to = c.args.values.value(QStringLiteral("to"), QStringLiteral("255")).toInt(&ok_to);
    if (!ok_from || !ok_to || from < 1 || to > 255 || from > to)
        return c.fail(Usage, QStringLiteral("Адреса: 1 <= --from <= --to <= 255"));
    if (!QDir().mkpath(dir))
        return c.fail(FileProblem, QStringLiteral("Невозможно создать каталог %1").arg(dir));

    const QList<Row> rows = run_lines(c, [&](Context &line) {
        const QString port = line.port;
        QList<Row> out;
        const int opened = with_session(line, [&](Session &s) {
            const QList<line_scan::Unit> units = scan_line(s, line, from, to);
            if (units.isEmpty())
                return int(UnitFailed);
            for (const line_scan::Unit &unit : units) {
                Row row{port, unit.address, unit.version, site_files::file_path(dir, port, unit.address), {}};
                line.address = unit.address;
                line.error.clear();
                line.progress(QStringLiteral("блок %1").arg(unit.address));
                UnitConfig config;
                QString error;
                if (read_whole_unit(s, &config) != Success)
                    row.error = line.error;
                else if (save_config_file(row.file, config, &error) != 0)
                    row.error = QStringLiteral("Невозможно открыть файл ! %1").arg(error);
                out << row;
            }
            return int(Success);
        });
        if (opened != Success)
            out << Row{port, 0, {}, {}, line.error};
        return out;
    });
    return report(c, rows, QStringLiteral("Файл"));
}

int run_restore(Context &c)
{
    QString dir;
    if (int r = check_site(c, &dir))
        return r;
    if (!QFileInfo(dir).isDir())
        return c.fail(FileProblem, QStringLiteral("Нет каталога %1").arg(dir));
    if (int r = check_site_files(c, dir))
        return r;
    const bool verify = c.args.flags.contains(QStringLiteral("verify"));

    const QList<Row> rows = run_lines(c, [&](Context &line) {
        const QString port = line.port;
        QList<Row> out;
        const QList<int> addresses = site_files::addresses_in(dir, port);
        if (addresses.isEmpty()) {
            out << Row{
                port, 0, {}, {}, QStringLiteral("Нет файлов %1").arg(site_files::file_pattern(dir, port))};
            return out;
        }
        const int opened = with_session(line, [&](Session &s) {
            for (const int address : addresses) {
                Row row{port, address, {}, site_files::file_path(dir, port, address), {}};
                line.address = address;
                line.error.clear();
                line.progress(QStringLiteral("блок %1").arg(address));
                UnitConfig config;
                if (load_checked_config(line, row.file, &config) == Success) {
                    row.version = version_of(s);
                    if (write_whole_unit(s, config, row.file) == Success && verify)
                        compare_with_unit(s, config, QStringLiteral("Блок не принял конфигурацию"));
                }
                row.error = line.error;
                out << row;
            }
            return int(Success);
        });
        if (opened != Success)
            out << Row{port, 0, {}, {}, line.error};
        return out;
    });
    return report(c, rows,
                  verify ? QStringLiteral("Файл (записан и проверен)") : QStringLiteral("Файл (записан)"));
}

}  // namespace cli
