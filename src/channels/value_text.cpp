#include "channels/value_text.h"

#include "channels/channel_settings.h"
#include "channels/cross_mask.h"

#include <QStringList>

namespace form_text {

QString value_text(lists::List list, qint32 code)
{
    if (!lists::in_list(list, code))
        return QStringLiteral("код %1 (нет в списке)").arg(code);
    const QString text = lists::list_texts(list)[code - lists::code_offset(list)];
    const QString unit = QString::fromUtf8(lists::list_info(list).unit);
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

QString cross_text(qint32 mask)
{
    QStringList pairs;
    for (int a = 1; a <= kChannelCount; ++a)
        for (int b = a + 1; b <= kChannelCount; ++b)
            if (mask & cross::channel_group(a) & cross::channel_group(b))
                pairs << QStringLiteral("%1+%2").arg(a).arg(b);
    if (mask & ~0x3F)
        pairs << QStringLiteral("код %1").arg(mask);
    return pairs.isEmpty() ? QStringLiteral("нет") : pairs.join(QStringLiteral(", "));
}

}  // namespace form_text
