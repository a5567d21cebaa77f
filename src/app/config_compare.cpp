// Comparing a configuration file with the connected unit, or two files, and
// writing only the differences the user ticks.
#include "channels/value_text.h"
#include "config/config_check.h"
#include "config/config_diff.h"
#include "config/config_file.h"
#include "config/unit_transfer.h"
#include "config/write_plan.h"
#include "link/frames.h"
#include "mainwindow.h"
#include "services/journal_entries.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kAppName = QStringLiteral("МИРВАЛ-В Визард");

QString text_of(lists::List list, qint32 code)
{
    return list == config_values::kCrossMask ? form_text::cross_text(code)
                                             : form_text::value_text(list, code);
}

// The rows as the dialog shows them: channel, the value's label, A's and B's.
ComparisonTable table_of(const QList<config_diff::Row> &rows, const QString &a, const QString &b)
{
    ComparisonTable table;
    table.columns = {QStringLiteral("Канал"), QStringLiteral("Параметр"), a, b};
    int different = 0;
    for (const config_diff::Row &r : rows) {
        table.rows << QStringList{r.channel ? QString::number(r.channel) : QStringLiteral("Блок"),
                                  config_values::label(r.list), text_of(r.list, r.a), text_of(r.list, r.b)};
        table.differs << r.differs;
        different += r.differs ? 1 : 0;
    }
    table.summary =
        QStringLiteral("Различаются: %1, совпадают: %2").arg(different).arg(rows.size() - different);
    return table;
}

// The address a file was saved from, when its name is the one the window
// proposes ("mirval 7 …"); 0 when the name does not tell.
int address_in_name(const QString &path)
{
    static const QRegularExpression name(QStringLiteral("^mirval (\\d+) "));
    const QRegularExpressionMatch m = name.match(QFileInfo(path).fileName());
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

}  // namespace

bool MainWindow::pick_config(const QString &title, UnitConfig *config, QString *path)
{
    FileDialogOptions options;
    options.title = title;
    options.directory = m_config_dir;
    options.filter = kConfigFileFilter;
    *path = m_dialogs->openFileName(options);
    if (path->isEmpty())
        return false;
    m_config_dir = QFileInfo(*path).absolutePath();
    const ConfigLoadResult loaded = load_config_file(*path, *config);
    if (!loaded.ok) {
        file_not_loaded(loaded, *path);
        return false;
    }
    return true;
}

void MainWindow::file_not_loaded(const ConfigLoadResult &loaded, const QString &path)
{
    file_message(
        loaded.title, loaded.text,
        loaded.line > 0
            ? QStringLiteral("%1, строка %2, столбец %3").arg(path).arg(loaded.line).arg(loaded.column)
            : path);
}

bool MainWindow::refuse_bad_values(const UnitConfig &config, const QString &path)
{
    const QList<config_check::BadValue> bad = config_check::check(config);
    if (bad.isEmpty())
        return false;
    QStringList lines;
    for (const config_check::BadValue &b : bad)
        lines << (b.channel ? QStringLiteral("канал %1").arg(b.channel) : QStringLiteral("блок")) +
                     QStringLiteral(", %1: %2").arg(b.what).arg(b.code);
    critical(QStringLiteral("Файл %1 не записан в блок: в нем есть значения не из списков.")
                 .arg(QFileInfo(path).fileName()),
             lines.join('\n'));
    return true;
}

void MainWindow::compare_with_unit()
{
    if (m_session.state() != ConnectionState::Connected || m_session.busy())
        return;
    UnitConfig file;
    QString path = m_file.path;
    if (m_file.open)
        file = m_file.config;
    else if (!pick_config(QStringLiteral("Сравнить с блоком"), &file, &path))
        return;
    if (refuse_bad_values(file, path))
        return;
    const int address = m_model.unit_address;
    UnitConfig unit;
    if (!read_unit_config(address, unit))
        return;
    const QList<config_diff::Row> rows = config_diff::compare(unit, file);
    ComparisonTable table = table_of(rows, QStringLiteral("Блок"), QStringLiteral("Файл"));
    const QString name = path.isEmpty() ? file_display_name() : QFileInfo(path).fileName();
    table.title = QStringLiteral("Сравнение с блоком: %1").arg(name);
    table.accept_text = QStringLiteral("Записать выбранное");
    const int saved_from = address_in_name(path);
    if (saved_from != 0 && saved_from != address)
        table.warning = QStringLiteral("Файл сохранен с блока с адресом %1, подключен блок с адресом %2.")
                            .arg(saved_from)
                            .arg(address);
    QList<int> ticked;
    if (!m_dialogs->compare(table, &ticked) || ticked.isEmpty())
        return;
    QList<config_diff::Row> chosen;
    for (int row : ticked)
        chosen << rows[row];
    const write_plan::Plan plan = write_plan::plan(address, file, chosen);

    int checked = 0;
    QStringList wrong;
    write_plan::Progress report;
    report.sent = [&](const write_plan::Write &w, int result) {
        journal_change(journal::config_value_change(w.channel, w.list,
                                                    config_values::value_of(unit, w.channel, w.list), w.code),
                       result);
    };
    report.checked = [&](const write_plan::Expected &e, qint32 held) {
        ++checked;
        if (held != e.code)
            wrong << QStringLiteral("канал %1, %2: в блоке %3, в файле %4")
                         .arg(e.channel)
                         .arg(config_values::label(e.list), text_of(e.list, held), text_of(e.list, e.code));
    };
    const bool done =
        run_transfer(QStringLiteral("Запись конфигурации блока ..."), true, [&](const TransferHooks &hooks) {
            return write_plan::carry_out(hooks, plan, report) == 0;
        });
    journal_change(journal::configuration_written(path.isEmpty() ? name : path), done ? 0 : NoAnswer);
    if (!done)
        return;
    if (wrong.isEmpty())
        information(QStringLiteral("Записано значений: %1. Проверено: %2, все совпадают с файлом.")
                        .arg(plan.writes.size())
                        .arg(checked));
    else
        critical(QStringLiteral("Записано значений: %1. Не совпадают с файлом: %2.")
                     .arg(plan.writes.size())
                     .arg(wrong.size()),
                 wrong.join('\n'));
}

void MainWindow::compare_files()
{
    UnitConfig a, b;
    QString path_a = m_file.path, path_b;
    if (m_file.open)
        a = m_file.config;
    else if (!pick_config(QStringLiteral("Сравнить файлы: первый файл"), &a, &path_a))
        return;
    if (!pick_config(QStringLiteral("Сравнить файлы: второй файл"), &b, &path_b))
        return;
    ComparisonTable table = table_of(config_diff::compare(a, b),
                                     path_a.isEmpty() ? file_display_name() : QFileInfo(path_a).fileName(),
                                     QFileInfo(path_b).fileName());
    table.title = QStringLiteral("Сравнение файлов");
    QList<int> ticked;
    m_dialogs->compare(table, &ticked);
}
