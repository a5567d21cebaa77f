// The commissioning report: one unit, the units of every line, or a site's
// backup directory, as PDF or HTML.
#include "channels/line_scan.h"
#include "commands.h"
#include "config/config_file.h"
#include "report/report_file.h"
#include "report/report_html.h"
#include "report/report_reading.h"
#include "session.h"
#include "site_files.h"
#include "site_lines.h"

#include <QDate>
#include <QFileInfo>
#include <QJsonArray>
#include <QMutex>

namespace cli {

namespace {

// The command line's sections and header.
struct Request {
    QString out;
    report::Header header;
    report::Options options;
};

int parse(Context &c, Request *r)
{
    r->out = c.args.values.value(QStringLiteral("out"));
    if (r->out.isEmpty())
        return c.fail(Usage, QStringLiteral("Не задан файл отчёта (--out FILE.pdf или FILE.html)"));
    if (report::format_of(r->out) == report::Format::Unknown)
        return c.fail(Usage, QStringLiteral("Файл отчёта: .pdf или .html ('%1')").arg(r->out));
    r->header.site = c.args.values.value(QStringLiteral("site"));
    r->header.installer = c.args.values.value(QStringLiteral("installer"));
    r->header.made = QDateTime::currentDateTime();
    r->options.measure = c.args.flags.contains(QStringLiteral("measure"));
    r->options.self_test = c.args.flags.contains(QStringLiteral("self-test"));
    bool ok = true;
    r->options.log_records = c.args.values.value(QStringLiteral("log"), QStringLiteral("0")).toInt(&ok);
    if (!ok || r->options.log_records < 0 || r->options.log_records > 10000)
        return c.fail(Usage, QStringLiteral("--log: число записей от 0 до 10000"));
    return Success;
}

// The changes journalled today for the unit on port.
QList<journal::Entry> todays_changes(const QString &port, int address)
{
    static QMutex mutex;  // the lines' threads read the journal at once
    const QMutexLocker lock(&mutex);
    const QDateTime midnight(QDate::currentDate(), QTime(0, 0));
    return report::changes_since(journal::ChangeJournal().read(), port, address, midnight);
}

QJsonObject unit_json(const report::UnitReport &u)
{
    QJsonObject o;
    if (!u.port.isEmpty())
        o[QStringLiteral("line")] = u.port;
    if (u.address)
        o[QStringLiteral("address")] = u.address;
    if (!u.version.isEmpty())
        o[QStringLiteral("version")] = u.version;
    if (u.from_file())
        o[QStringLiteral("file")] = u.file;
    if (u.config_read)
        o[QStringLiteral("fingerprint")] = u.fingerprint;
    QJsonArray missing;
    for (const report::Missing &m : u.missing)
        missing.append(
            QJsonObject{{QStringLiteral("section"), m.section}, {QStringLiteral("reason"), m.reason}});
    o[QStringLiteral("missing")] = missing;
    return o;
}

// Writes the document; then fails when any section is missing, so that an
// incomplete report never passes for a complete one.
int write(Context &c, const Request &r, const QString &html, const QString &title,
          const QList<report::UnitReport> &units)
{
    QString error;
    if (report::save_report(r.out, html, title, &error) != 0)
        return c.fail(FileProblem, QStringLiteral("Невозможно открыть файл ! %1: %2").arg(r.out, error));
    c.out(QStringLiteral("Отчёт: %1").arg(r.out));
    c.result[QStringLiteral("file")] = r.out;
    QJsonArray list;
    QStringList incomplete;
    for (const report::UnitReport &u : units) {
        list.append(unit_json(u));
        for (const report::Missing &m : u.missing)
            incomplete << QStringLiteral("%1%2: %3")
                              .arg(u.address ? QStringLiteral("блок %1, ").arg(u.address) : QString(),
                                   m.section, report::missing_text(m));
    }
    c.result[QStringLiteral("units")] = list;
    if (!incomplete.isEmpty())
        return c.fail(UnitFailed,
                      QStringLiteral("Отчёт неполный:\n  %1").arg(incomplete.join(QStringLiteral("\n  "))));
    return Success;
}

int one_unit(Context &c, const Request &r)
{
    return with_session(c, [&](Session &s) {
        report::UnitReport unit;
        unit.port = c.port;
        const bool read = report::read_unit(s.link(), s.address(), r.options, &unit,
                                            [&c](const QString &text) { c.progress(text); });
        c.progress(QString());
        if (!read)
            return c.fail(UnitFailed, QStringLiteral("Нет ответа от блока! Отчёт не записан."));
        unit.changes = todays_changes(unit.port, unit.address);
        c.out(QStringLiteral("Отпечаток конфигурации: %1").arg(unit.fingerprint));
        c.result[QStringLiteral("fingerprint")] = unit.fingerprint;
        return write(c, r, report::unit_document(r.header, unit),
                     QStringLiteral("Отчёт о пусконаладке блока"), {unit});
    });
}

// A unit or a line that gave nothing: only its name and why.
report::UnitReport failed_unit(const QString &port, int address, const QString &version, const QString &why)
{
    report::UnitReport u;
    u.port = port;
    u.address = address;
    u.version = version;
    u.missing << report::Missing{report::config_title(), why};
    return u;
}

int site_from_lines(Context &c, const Request &r)
{
    bool ok_from = true, ok_to = true;
    const int from = c.args.values.value(QStringLiteral("from"), QStringLiteral("1")).toInt(&ok_from);
    const int to = c.args.values.value(QStringLiteral("to"), QStringLiteral("255")).toInt(&ok_to);
    if (!ok_from || !ok_to || from < 1 || to > 255 || from > to)
        return c.fail(Usage, QStringLiteral("Адреса: 1 <= --from <= --to <= 255"));
    std::vector<QList<report::UnitReport>> lines(size_t(c.ports.size()));
    run_on_lines(c, [&](int index, Context &line) {
        QList<report::UnitReport> &out = lines[size_t(index)];
        const int opened = with_session(line, [&](Session &s) {
            const QList<line_scan::Unit> units = scan_line(s, line, from, to);
            if (units.isEmpty())
                return int(UnitFailed);
            for (const line_scan::Unit &unit : units) {
                line.address = unit.address;
                line.progress(QStringLiteral("блок %1").arg(unit.address));
                report::UnitReport u;
                u.port = line.port;
                if (report::read_unit(s.link(), unit.address, r.options, &u,
                                      [&line](const QString &text) { line.progress(text); }))
                    u.changes = todays_changes(u.port, u.address);
                else
                    u = failed_unit(line.port, unit.address, unit.version, report::no_answer_reason());
                out << u;
            }
            return int(Success);
        });
        if (opened != Success)
            out << failed_unit(line.port, 0, QString(), line.error);
    });
    QList<report::UnitReport> units;
    for (const auto &l : lines)
        units += l;
    return write(c, r, report::site_document(r.header, units), QStringLiteral("Отчёт о пусконаладке объекта"),
                 units);
}

int site_from_directory(Context &c, const Request &r, const QString &dir)
{
    if (!QFileInfo(dir).isDir())
        return c.fail(FileProblem, QStringLiteral("Нет каталога %1").arg(dir));
    const QList<site_files::UnitFile> files = site_files::units_in(dir);
    if (files.isEmpty())
        return c.fail(FileProblem,
                      QStringLiteral("В каталоге %1 нет файлов блоков (ЛИНИЯ-АДРЕС.cfg)").arg(dir));
    QList<report::UnitReport> units;
    for (const site_files::UnitFile &f : files) {
        UnitConfig config;
        const ConfigLoadResult loaded = load_config_file(f.path, config);
        report::UnitReport u;
        if (loaded.ok) {
            u = report::from_config(config, f.path);
        } else {
            u.file = f.path;
            u.missing << report::Missing{report::config_title(),
                                         QStringLiteral("%1: %2").arg(loaded.title, loaded.text)};
        }
        u.port = f.line;
        u.address = f.address;
        units << u;
    }
    return write(c, r, report::site_document(r.header, units), QStringLiteral("Отчёт о пусконаладке объекта"),
                 units);
}

}  // namespace

int run_report(Context &c)
{
    Request r;
    if (int e = parse(c, &r))
        return e;
    const QString dir = c.args.values.value(QStringLiteral("dir"));
    if (!dir.isEmpty() && !c.ports.isEmpty())
        return c.fail(Usage, QStringLiteral("--dir и --port: только одно из двух"));
    if (!dir.isEmpty())
        return site_from_directory(c, r, dir);
    if (c.ports.isEmpty())
        return c.fail(Usage, QStringLiteral("Не задан порт (--port NAME) или каталог (--dir DIR)"));
    if (c.address > 0)
        return one_unit(c, r);
    const QString clash = site_files::clashing_lines(c.ports);
    if (!clash.isEmpty())
        return c.fail(Usage, clash);
    return site_from_lines(c, r);
}

}  // namespace cli
