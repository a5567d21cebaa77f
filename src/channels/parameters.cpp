#include "channels/parameters.h"

namespace parameters {

template <int N> static QStringList int_texts(const int (&table)[N])
{
    QStringList texts;
    for (int v : table)
        texts << QString::number(v);
    return texts;
}

QStringList threshold_texts()
{
    return int_texts(kThresholds);
}

QStringList cut_threshold_texts()
{
    return int_texts(kCutThresholds);
}

QStringList rejection_texts()
{
    QStringList texts;
    for (double v : kRejections)
        texts << QString::number(v, 'g', 6);
    return texts;
}

QStringList cut_time_texts()
{
    return int_texts(kCutTimes);
}

}  // namespace parameters
