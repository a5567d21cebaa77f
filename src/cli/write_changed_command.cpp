// write --changed-only: the unit read once, only the values that differ from
// the file written (the core's write plan), and those read back.
#include "commands.h"
#include "config/write_plan.h"
#include "config_commands.h"
#include "services/journal_entries.h"

#include <QJsonArray>

namespace cli {

namespace {

QString what(const write_plan::Write &w)
{
    return QStringLiteral("%1: %2").arg(place_text(w.channel), config_values::label(w.list));
}

QJsonObject write_json(const write_plan::Write &w)
{
    QJsonObject o;
    o[QStringLiteral("channel")] = w.channel;
    o[QStringLiteral("what")] = config_values::label(w.list);
    o[QStringLiteral("code")] = w.code;
    o[QStringLiteral("text")] = code_text(w.list, w.code);
    o[QStringLiteral("request")] = QString::fromLatin1(w.payload.toHex());
    return o;
}

// "в блоке 50 мВ, будет записано 280 мВ"; a value the comparison did not
// look at (the channel's mode changes) has no unit's value.
QString planned_line(const write_plan::Write &w, const QList<config_diff::Row> &rows)
{
    for (const config_diff::Row &r : rows)
        if (r.channel == w.channel && r.list == w.list)
            return QStringLiteral("%1: в блоке %2, будет записано %3")
                .arg(what(w), code_text(w.list, r.b), code_text(w.list, w.code));
    return QStringLiteral("%1: будет записано %2").arg(what(w), code_text(w.list, w.code));
}

}  // namespace

int write_changed(Context &c, const UnitConfig &config)
{
    const bool dry_run = c.args.flags.contains(QStringLiteral("dry-run"));
    c.result[QStringLiteral("file")] = c.file_argument();
    c.result[QStringLiteral("dry_run")] = dry_run;
    return with_session(c, [&](Session &s) {
        UnitConfig unit;
        if (int r = read_whole_unit(s, &unit))
            return r;
        const QList<config_diff::Row> rows = config_diff::differing(config_diff::compare(config, unit));
        QJsonArray differences;
        for (const config_diff::Row &row : rows)
            differences.append(difference_json(difference(row)));
        c.result[QStringLiteral("differences")] = differences;
        const write_plan::Plan plan = write_plan::plan(s.address(), config, rows);
        QJsonArray writes;
        for (const write_plan::Write &w : plan.writes)
            writes.append(write_json(w));
        c.result[QStringLiteral("writes")] = writes;
        if (plan.writes.isEmpty()) {
            c.out(QStringLiteral("Расхождений нет: записывать нечего."));
            return int(Success);
        }
        if (dry_run) {
            for (const write_plan::Write &w : plan.writes)
                c.out(planned_line(w, rows));
            c.out(QStringLiteral("Ничего не записано (--dry-run): запросов записи %1.")
                      .arg(plan.writes.size()));
            return int(Success);
        }

        int written = 0, mismatches = 0;
        QJsonArray checked;
        TransferHooks hooks;
        hooks.send = [&s](QByteArray &payload, bool pre_wait) { return s.send(payload, pre_wait); };
        hooks.progress = [&](int step) {
            c.progress(QStringLiteral("Запись изменений ... %1/%2").arg(step + 1).arg(plan.writes.size()));
        };
        write_plan::Progress report;
        report.sent = [&](const write_plan::Write &w, int result) {
            s.record_change(journal::config_value_change(
                                w.channel, w.list, config_values::value_of(unit, w.channel, w.list), w.code),
                            journal::result_of(result));
            if (result != 0)
                return;
            ++written;
            c.out(QStringLiteral("%1: записано %2").arg(what(w), code_text(w.list, w.code)));
        };
        report.before_reads = [&] {
            c.progress(QString());
            s.settle();
        };
        // The read-back: each value the unit holds, checked against the file.
        report.checked = [&](const write_plan::Expected &e, qint32 held) {
            const Difference d{e.channel, config_values::label(e.list), code_text(e.list, e.code),
                               code_text(e.list, held)};
            QJsonObject o = difference_json(d);
            o[QStringLiteral("ok")] = held == e.code;
            checked.append(o);
            if (held == e.code) {
                c.out(QStringLiteral("%1: %2: проверено, %3").arg(place_text(d.channel), d.what, d.actual));
            } else {
                c.out(difference_line(d));
                ++mismatches;
            }
        };
        const int r = write_plan::carry_out(hooks, plan, report);
        c.progress(QString());
        c.result[QStringLiteral("written")] = written;
        c.result[QStringLiteral("checked")] = checked;
        s.record_change(journal::configuration_written(c.file_argument()),
                        r == 0 ? journal::Result::Confirmed : journal::result_of(r));
        if (r != 0)
            return c.no_answer();
        if (mismatches > 0)
            return c.fail(UnitFailed,
                          QStringLiteral("Блок не принял конфигурацию: расхождений %1").arg(mismatches));
        c.out(QStringLiteral("Записано значений: %1, проверено: расхождений нет.").arg(written));
        return int(Success);
    });
}

}  // namespace cli
