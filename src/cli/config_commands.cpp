// Configuration files and the whole-unit configuration of one unit.
#include "config_commands.h"
#include "services/journal_entries.h"

#include "commands.h"
#include "config/config_file.h"
#include "config/unit_transfer.h"
#include "report/config_fingerprint.h"

#include <QJsonArray>

namespace cli {

int load_config(Context &c, const QString &path, UnitConfig *config)
{
    const ConfigLoadResult loaded = load_config_file(path, *config);
    if (loaded.ok)
        return Success;
    const QString where =
        loaded.line > 0
            ? QStringLiteral("%1 (строка %2, столбец %3)").arg(path).arg(loaded.line).arg(loaded.column)
            : path;
    return c.fail(FileProblem, QStringLiteral("%1: %2: %3").arg(loaded.title, where, loaded.text));
}

QString bad_values_text(const QList<config_check::BadValue> &bad, const QString &prefix)
{
    QStringList lines;
    for (const config_check::BadValue &b : bad)
        lines << QStringLiteral("  %1%2").arg(prefix, bad_value_line(b));
    return lines.join(QLatin1Char('\n'));
}

int load_checked_config(Context &c, const QString &path, UnitConfig *config)
{
    if (int r = load_config(c, path, config))
        return r;
    const QList<config_check::BadValue> bad = config_check::check(*config);
    if (bad.isEmpty())
        return Success;
    QJsonArray list;
    for (const config_check::BadValue &b : bad)
        list.append(bad_value_json(b));
    c.result[QStringLiteral("bad_values")] = list;
    return c.fail(FileProblem, QStringLiteral("Файл %1 не записан: значения не из списков\n%2")
                                   .arg(path, bad_values_text(bad, QString())));
}

QString fingerprint_line(const UnitConfig &config)
{
    return QStringLiteral("Отпечаток конфигурации: %1").arg(fingerprint::of(config));
}

int read_whole_unit(Session &s, UnitConfig *config)
{
    s.settle();
    const bool done = read_unit_config(s.transfer_hooks(QStringLiteral("Считывание конфигурации блока ...")),
                                       s.address(), *config);
    s.context().progress(QString());
    return done ? Success : s.context().no_answer();
}

int write_whole_unit(Session &s, const UnitConfig &config, const QString &file)
{
    s.settle();
    const bool done = write_unit_config(s.transfer_hooks(QStringLiteral("Запись конфигурации блока ...")),
                                        s.address(), config);
    s.context().progress(QString());
    s.record_change(journal::configuration_written(file),
                    done ? journal::Result::Confirmed : journal::Result::NoAnswer);
    return done ? Success : s.context().no_answer();
}

// The differences, then the file's values the unit holds as other values.
void put_differences(Context &c, const UnitConfig &file, const QList<Difference> &differences)
{
    QJsonArray list;
    for (const Difference &d : differences) {
        c.out(difference_line(d));
        list.append(difference_json(d));
    }
    c.result[QStringLiteral("differences")] = list;
    QJsonArray held;
    for (const Difference &d : held_otherwise(file)) {
        c.out(held_otherwise_line(d));
        held.append(difference_json(d));
    }
    c.result[QStringLiteral("held_otherwise")] = held;
}

int compare_with_unit(Session &s, const UnitConfig &file, const QString &failure)
{
    UnitConfig unit;
    if (int r = read_whole_unit(s, &unit))
        return r;
    const QList<Difference> differences = config_differences(file, unit);
    put_differences(s.context(), file, differences);
    if (!differences.isEmpty())
        return s.context().fail(UnitFailed,
                                QStringLiteral("%1: расхождений %2").arg(failure).arg(differences.size()));
    return Success;
}

int run_show(Context &c)
{
    UnitConfig config;
    if (int r = load_config(c, c.file_argument(), &config))
        return r;
    for (const QString &line : config_lines(config))
        c.out(line);
    c.out(fingerprint_line(config));
    c.result[QStringLiteral("config")] = config_json(config);
    c.result[QStringLiteral("fingerprint")] = fingerprint::of(config);
    return Success;
}

int run_read(Context &c)
{
    return with_session(c, [&c](Session &s) {
        UnitConfig config;
        if (int r = read_whole_unit(s, &config))
            return r;
        QString error;
        if (save_config_file(c.file_argument(), config, &error) != 0)
            return c.fail(FileProblem,
                          QStringLiteral("Невозможно открыть файл ! %1: %2").arg(c.file_argument(), error));
        c.out(c.file_argument());
        c.result[QStringLiteral("file")] = c.file_argument();
        c.result[QStringLiteral("config")] = config_json(config);
        return int(Success);
    });
}

int run_write(Context &c)
{
    const bool changed_only = c.args.flags.contains(QStringLiteral("changed-only"));
    if (c.args.flags.contains(QStringLiteral("dry-run")) && !changed_only)
        return c.fail(Usage, QStringLiteral("--dry-run: только вместе с --changed-only"));
    UnitConfig config;
    if (int r = load_checked_config(c, c.file_argument(), &config))
        return r;
    if (changed_only)
        return write_changed(c, config);
    return with_session(c, [&](Session &s) {
        if (int r = write_whole_unit(s, config, c.file_argument()))
            return r;
        c.result[QStringLiteral("file")] = c.file_argument();
        if (!c.args.flags.contains(QStringLiteral("verify"))) {
            c.out(QStringLiteral("Конфигурация записана в блок."));
            return int(Success);
        }
        if (int r = compare_with_unit(s, config, QStringLiteral("Блок не принял конфигурацию")))
            return r;
        c.out(QStringLiteral("Конфигурация записана в блок и проверена: расхождений нет."));
        return int(Success);
    });
}

namespace {

// Two files side by side, no unit: each difference, then the values each
// file holds that a unit would keep as another.
int diff_files(Context &c, const QString &first, const QString &second)
{
    UnitConfig a, b;
    if (int r = load_config(c, first, &a))
        return r;
    if (int r = load_config(c, second, &b))
        return r;
    c.result[QStringLiteral("files")] = QJsonArray{first, second};
    QJsonArray list;
    const QList<config_diff::Row> rows = config_diff::differing(config_diff::compare(a, b));
    for (const config_diff::Row &row : rows) {
        const Difference d = difference(row);
        c.out(files_difference_line(d));
        list.append(files_difference_json(d));
    }
    c.result[QStringLiteral("differences")] = list;
    QJsonArray held;  // one list for each file
    for (const auto &[path, config] : {std::pair(first, a), std::pair(second, b)}) {
        QJsonArray notes;
        for (const Difference &d : held_otherwise(config)) {
            c.out(QStringLiteral("%1: %2").arg(path, held_otherwise_line(d)));
            notes.append(difference_json(d));
        }
        held.append(notes);
    }
    c.result[QStringLiteral("held_otherwise")] = held;
    if (!rows.isEmpty())
        return c.fail(UnitFailed, QStringLiteral("Файлы различаются: расхождений %1").arg(rows.size()));
    c.out(QStringLiteral("Расхождений нет."));
    return Success;
}

}  // namespace

int run_diff(Context &c)
{
    if (c.args.positional.size() == 2)
        return diff_files(c, c.args.positional[0], c.args.positional[1]);
    UnitConfig config;
    if (int r = load_config(c, c.file_argument(), &config))
        return r;
    return with_session(c, [&](Session &s) {
        if (int r = compare_with_unit(s, config, QStringLiteral("Конфигурация блока отличается от файла")))
            return r;
        c.out(QStringLiteral("Расхождений нет."));
        return int(Success);
    });
}

}  // namespace cli
