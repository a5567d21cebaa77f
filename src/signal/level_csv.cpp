#include "signal/level_csv.h"

#include "channels/channel_state.h"
#include "signal/level_series.h"

namespace level_csv {

QString header()
{
    return QStringLiteral("time_s,level_mV,state");
}

QString row(qint64 time_ms, bool has_level, float level_mv, int state_row)
{
    const qint64 ms = qMax<qint64>(time_ms, 0);
    const QString time = QStringLiteral("%1.%2").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
    const QString level = has_level ? QString::number(double(level_mv), 'f', 2) : QString();
    return time + QLatin1Char(',') + level + QLatin1Char(',') + channel_state::row_text(state_row);
}

QByteArray file_bytes(const level_signal::Series &series)
{
    QString text = header() + QLatin1Char('\n');
    for (int i = 0; i < series.size(); ++i) {
        const level_signal::Point &p = series.at(i);
        if (p.answered)
            text += row(p.time_ms, p.has_level, p.level_mv, p.state_row) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

}  // namespace level_csv
