// write --changed-only: the unit read once, only the values that differ from
// the file written (the core's write plan), and those read back.
#include "commands.h"
#include "config/write_plan.h"
#include "config_commands.h"

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

// The read-back: each value the unit holds, checked against the file.
// Success, UnitFailed when the unit did not answer or holds another value.
int check_written(Session &s, const write_plan::Plan &plan)
{
    Context &c = s.context();
    s.settle();
    QJsonArray checked;
    int mismatches = 0;
    for (const write_plan::Read &read : plan.reads) {
        QByteArray answer = read.payload;
        if (int r = s.transact(answer, false))
            return r;
        for (const write_plan::Expected &e : read.expected) {
            const qint32 held = write_plan::answered(e, answer);
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
        }
    }
    c.result[QStringLiteral("checked")] = checked;
    if (mismatches > 0)
        return c.fail(UnitFailed,
                      QStringLiteral("Блок не принял конфигурацию: расхождений %1").arg(mismatches));
    return Success;
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

        int written = 0;
        for (const write_plan::Write &w : plan.writes) {
            c.progress(QStringLiteral("Запись изменений ... %1/%2").arg(written + 1).arg(plan.writes.size()));
            QByteArray payload = w.payload;
            if (int r = s.transact(payload, true)) {
                c.result[QStringLiteral("written")] = written;
                return r;
            }
            ++written;
            c.out(QStringLiteral("%1: записано %2").arg(what(w), code_text(w.list, w.code)));
        }
        c.progress(QString());
        c.result[QStringLiteral("written")] = written;
        if (int r = check_written(s, plan))
            return r;
        c.out(QStringLiteral("Записано значений: %1, проверено: расхождений нет.").arg(written));
        return int(Success);
    });
}

}  // namespace cli
