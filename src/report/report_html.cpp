#include "report_html.h"

#include "channels/value_text.h"
#include "config/config_values.h"
#include "config/factory_config.h"
#include "services/journal_table.h"

#include <QStringList>

namespace report {

namespace {

using config_values::kCrossMask;

QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

QString cell(const QString &text, const QString &tag = QStringLiteral("td"))
{
    return QStringLiteral("<%1>%2</%1>").arg(tag, esc(text));
}

QString row(const QStringList &texts, const QString &tag = QStringLiteral("td"))
{
    QString out = QStringLiteral("<tr>");
    for (const QString &t : texts)
        out += cell(t, tag);
    return out + QStringLiteral("</tr>");
}

QString table(const QStringList &columns, const QList<QStringList> &rows)
{
    QString out = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">");
    out += row(columns, QStringLiteral("th"));
    for (const QStringList &r : rows)
        out += row(r);
    return out + QStringLiteral("</table>");
}

QString para(const QString &text)
{
    return QStringLiteral("<p>%1</p>").arg(esc(text));
}

QString heading(int level, const QString &text)
{
    return QStringLiteral("<h%1>%2</h%1>").arg(level).arg(esc(text));
}

// The section's note when it was asked for and not received.
QString missing_note(const UnitReport &unit, const QString &title)
{
    for (const Missing &m : unit.missing)
        if (m.section == title)
            return QStringLiteral("<p><b>%1</b></p>").arg(esc(missing_text(m)));
    return QString();
}

QString value(lists::List list, qint32 code)
{
    return list == kCrossMask ? form_text::cross_text(code) : form_text::value_text(list, code);
}

// A value's row: label, the value (marked when it is not the factory's) and
// the factory value beside a marked one.
QString value_row(const UnitConfig &config, const UnitConfig &factory, int channel, lists::List list)
{
    const qint32 code = config_values::value_of(config, channel, list);
    const qint32 original = config_values::value_of(factory, channel, list);
    const QString label = esc(config_values::label(list));
    if (code == original)
        return QStringLiteral("<tr><td>%1</td><td>%2</td><td></td></tr>").arg(label, esc(value(list, code)));
    return QStringLiteral("<tr><td>%1</td><td><b>%2 *</b></td><td>%3</td></tr>")
        .arg(label, esc(value(list, code)), esc(value(list, original)));
}

QString config_tables(const UnitConfig &config)
{
    const UnitConfig factory = factory_config();
    const QString head =
        QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">"
                       "<tr><th width=\"40%\">Параметр</th><th width=\"30%\">Значение</th><th>Заводская "
                       "настройка</th></tr>");
    QString out;
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings &c = config.channels[n - 1];
        out += heading(
            3, QStringLiteral("Канал %1: %2").arg(n).arg(form_text::value_text(lists::Onoff, c.regim)));
        out += head + value_row(config, factory, n, lists::Onoff);
        for (lists::List list : config_values::channel_lists(c.regim & 0xFF))
            out += value_row(config, factory, n, list);
        out += QStringLiteral("</table>");
    }
    out += heading(3, QStringLiteral("Блок"));
    out += head;
    for (lists::List list : config_values::unit_lists())
        out += value_row(config, factory, 0, list);
    out += QStringLiteral("</table>");
    out += para(QStringLiteral("* - отличается от заводской настройки"));
    return out;
}

QString drift_text(qint64 seconds)
{
    return QStringLiteral("%1%2 с").arg(seconds > 0 ? QStringLiteral("+") : QString()).arg(seconds);
}

QString unit_title(const UnitReport &unit)
{
    QString title = QStringLiteral("Блок");
    if (unit.address)
        title += QStringLiteral(" %1").arg(unit.address);
    if (!unit.port.isEmpty())
        title += QStringLiteral(", линия %1").arg(unit.port);
    if (unit.from_file())
        title += QStringLiteral(" (из файла)");
    return title;
}

QString unit_body(const UnitReport &unit, int level)
{
    QString out;
    if (!unit.missing.isEmpty()) {
        QStringList names;
        for (const Missing &m : unit.missing)
            names << m.section;
        out += QStringLiteral("<p><b>Отчёт неполный: не получены разделы: %1</b></p>")
                   .arg(esc(names.join(QStringLiteral(", "))));
    }
    QList<QStringList> identity;
    if (unit.from_file()) {
        identity << QStringList{QStringLiteral("Источник"), QStringLiteral("из файла %1").arg(unit.file)};
        if (!unit.port.isEmpty())
            identity << QStringList{QStringLiteral("Линия"), unit.port};
        if (unit.address)
            identity << QStringList{QStringLiteral("Адрес"), QString::number(unit.address)};
    } else {
        identity << QStringList{QStringLiteral("Порт"), unit.port}
                 << QStringList{QStringLiteral("Адрес"), QString::number(unit.address)}
                 << QStringList{QStringLiteral("Версия прошивки"), unit.version};
        if (unit.unit_clock)
            identity << QStringList{clock_title(), QStringLiteral("%1 (расхождение с компьютером: %2)")
                                                       .arg(unit.unit_clock->toLocalTime().toString(
                                                                QStringLiteral("dd.MM.yyyy hh:mm:ss")),
                                                            drift_text(unit.drift_s))};
    }
    if (unit.config_read)
        identity << QStringList{QStringLiteral("Отпечаток конфигурации"), unit.fingerprint};
    out += table({QStringLiteral("Сведения"), QStringLiteral("Значение")}, identity);
    out += missing_note(unit, clock_title());

    out += heading(level, config_title());
    if (unit.config_read) {
        out += config_tables(unit.config);
        out += para(QStringLiteral("Отпечаток конфигурации: %1").arg(unit.fingerprint));
    }
    out += missing_note(unit, config_title());

    if (unit.asked.measure) {
        out += heading(level, measures_title());
        QList<QStringList> rows;
        for (const ChannelMeasures &m : unit.measures)
            rows << QStringList{QString::number(m.channel), m.level_mv, m.amplitude_mv, m.frequency_hz};
        if (!rows.isEmpty())
            out += table({QStringLiteral("Канал"), QStringLiteral("Уровень, мВ"),
                          QStringLiteral("Амплитуда, мВ"), QStringLiteral("Частота, Гц")},
                         rows);
        out += missing_note(unit, measures_title());
    }
    if (unit.asked.log_records > 0) {
        out += heading(
            level, QStringLiteral("%1 (последние записи: %2)").arg(log_title()).arg(unit.asked.log_records));
        if (unit.log.isEmpty() && missing_note(unit, log_title()).isEmpty())
            out += para(QStringLiteral("Протокол пуст."));
        for (const QStringList &record : unit.log)
            out += QStringLiteral("<p>%1</p>")
                       .arg(esc(record.join(QLatin1Char('\n')))
                                .replace(QLatin1Char('\n'), QStringLiteral("<br>")));
        out += missing_note(unit, log_title());
    }
    if (unit.asked.self_test) {
        out += heading(level, self_test_title());
        if (unit.self_test_ok.value_or(false))
            out += para(QStringLiteral("Команда 'Тест' выполнена."));
        out += missing_note(unit, self_test_title());
    }
    if (!unit.from_file()) {
        out += heading(level, changes_title());
        if (unit.changes.isEmpty()) {
            out += para(QStringLiteral("Изменений нет."));
        } else {
            QList<QStringList> rows;
            for (const journal::Entry &e : unit.changes)
                rows << journal::table_row(e);
            out += table(journal::table_columns(), rows);
        }
    }
    return out;
}

QString header_html(const Header &header, const QString &title)
{
    QString out = heading(1, title);
    out +=
        table({QStringLiteral("Сведения"), QStringLiteral("Значение")},
              {{QStringLiteral("Объект"), header.site},
               {QStringLiteral("Наладчик"), header.installer},
               {QStringLiteral("Дата и время"), header.made.toString(QStringLiteral("dd.MM.yyyy hh:mm"))}});
    return out;
}

QString sign_off()
{
    QString out = heading(2, QStringLiteral("Подписи"));
    out += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"8\" width=\"100%\">");
    for (const QString &who : {QStringLiteral("Наладчик"), QStringLiteral("Заказчик")})
        out +=
            QStringLiteral("<tr><td width=\"20%\">%1</td><td width=\"45%\">подпись ____________________</td>"
                           "<td>дата ______________</td></tr>")
                .arg(esc(who));
    return out + QStringLiteral("</table>");
}

QString document(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                          "<style>body{font-family:'DejaVu Sans',sans-serif;font-size:9pt}"
                          "th{text-align:left}</style></head><body>%2</body></html>")
        .arg(esc(title), body);
}

}  // namespace

QString missing_text(const Missing &missing)
{
    return QStringLiteral("Раздел не получен: %1").arg(missing.reason);
}

QString channels_in_use(const UnitConfig &config)
{
    QStringList used;
    for (int n = 1; n <= kChannelCount; ++n)
        if ((config.channels[n - 1].regim & 0xFF) != 0)
            used << QString::number(n);
    return used.isEmpty() ? QStringLiteral("нет") : used.join(QStringLiteral(", "));
}

QString unit_document(const Header &header, const UnitReport &unit)
{
    const QString title = QStringLiteral("Отчёт о пусконаладке блока");
    QString body = header_html(header, title);
    body += heading(2, unit_title(unit));
    body += unit_body(unit, 2);
    body += sign_off();
    return document(title, body);
}

QString site_document(const Header &header, const QList<UnitReport> &units)
{
    const QString title = QStringLiteral("Отчёт о пусконаладке объекта");
    QString body = header_html(header, title);
    body += heading(2, QStringLiteral("Сводная таблица"));
    QList<QStringList> rows;
    for (const UnitReport &u : units) {
        const QString none = QStringLiteral("-");
        rows << QStringList{u.port.isEmpty() ? none : u.port, u.address ? QString::number(u.address) : none,
                            u.version.isEmpty() ? none : u.version, u.config_read ? u.fingerprint : none,
                            u.config_read ? channels_in_use(u.config) : none};
    }
    body += table({QStringLiteral("Линия"), QStringLiteral("Адрес"), QStringLiteral("Версия прошивки"),
                   QStringLiteral("Отпечаток"), QStringLiteral("Каналы в работе")},
                  rows);
    for (const UnitReport &u : units) {
        body += QStringLiteral("<h2 style=\"page-break-before:always\">%1</h2>").arg(esc(unit_title(u)));
        body += unit_body(u, 3);
    }
    body += sign_off();
    return document(title, body);
}

}  // namespace report
