#include "services/journal_entries.h"

#include "channels/parameters.h"
#include "channels/value_text.h"
#include "config/config_values.h"
#include "services/unit_time.h"

#include <QFileInfo>

namespace journal {

namespace {

Entry change(const QString &label, const QString &key)
{
    Entry e;
    e.label = label;
    e.key = key;
    return e;
}

}  // namespace

QString list_key(lists::List list)
{
    if (list == lists::Onoff)
        return QStringLiteral("REGIM");
    if (list == lists::Pred)
        return QStringLiteral("PREDUSTANOVKA");
    return QString::fromLatin1(parameters::parameter(parameters::ParameterId(int(list))).key);
}

Entry list_change(lists::List list, int channel, std::optional<qint32> old_code, qint32 new_code)
{
    Entry e = change(QString::fromUtf8(lists::list_info(list).label), list_key(list));
    e.channel = channel;
    if (old_code)
        e.old_value = Value{old_code, form_text::value_text(list, *old_code)};
    e.new_value = Value{new_code, form_text::value_text(list, new_code)};
    return e;
}

Entry config_value_change(int channel, lists::List list, std::optional<qint32> old_code, qint32 new_code)
{
    if (list == config_values::kCrossMask)
        return cross_change(old_code, new_code);
    return list_change(list, channel, old_code, new_code);
}

Entry cross_change(std::optional<qint32> old_mask, qint32 new_mask)
{
    Entry e = change(QStringLiteral("Кросс"), QStringLiteral("KROSS"));
    if (old_mask)
        e.old_value = Value{old_mask, form_text::cross_text(*old_mask)};
    e.new_value = Value{new_mask, form_text::cross_text(new_mask)};
    return e;
}

Entry clock_set(qint64 utc_seconds)
{
    Entry e = change(QStringLiteral("Время блока"), QStringLiteral("CLOCK"));
    // The unit holds the low 32 bits.
    e.new_value = Value{qint64(quint32(utc_seconds)), DATE(utc_seconds)};
    return e;
}

Entry log_cleared()
{
    return change(QStringLiteral("Протокол событий"), QStringLiteral("LOG_CLEAR"));
}

Entry configuration_written(const QString &file)
{
    Entry e = change(QStringLiteral("Конфигурация"), QStringLiteral("CONFIG_WRITE"));
    e.new_value.text = QFileInfo(file).fileName();
    return e;
}

Entry firmware_written(const QString &file, const QString &old_version)
{
    Entry e = change(QStringLiteral("Прошивка"), QStringLiteral("FIRMWARE"));
    e.old_value.text = old_version;
    e.new_value.text = QFileInfo(file).fileName();
    return e;
}

}  // namespace journal
