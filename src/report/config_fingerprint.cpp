#include "config_fingerprint.h"

#include "config/config_values.h"
#include "services/journal_entries.h"

#include <QCryptographicHash>
#include <QStringList>

namespace fingerprint {

QString canonical_text(const UnitConfig &config)
{
    using config_values::unit_held;
    QStringList parts;
    for (int n = 1; n <= kChannelCount; ++n) {
        const qint32 regim = unit_held(config.channels[n - 1].regim);
        parts << QStringLiteral("ch%1.REGIM=%2").arg(n).arg(regim);
        for (lists::List list : config_values::channel_lists(regim & 0xFF))
            parts << QStringLiteral("ch%1.%2=%3")
                         .arg(n)
                         .arg(journal::list_key(list))
                         .arg(unit_held(config_values::value_of(config, n, list)));
    }
    parts << QStringLiteral("KROSS=%1").arg(unit_held(config.kross));
    parts << QStringLiteral("ZADERZHKA=%1").arg(unit_held(config.zaderzhka));
    parts << QStringLiteral("BLOKIROVKA=%1").arg(unit_held(config.blokirovka));
    return parts.join(QLatin1Char(';'));
}

QString of(const UnitConfig &config)
{
    const QByteArray digest =
        QCryptographicHash::hash(canonical_text(config).toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex().left(8));
}

}  // namespace fingerprint
