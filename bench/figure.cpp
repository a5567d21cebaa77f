#include "figure.h"

#include <QStringList>

#include <cmath>

namespace bench {

namespace {

QString number(double v)
{
    if (v >= 100)
        return QString::number(v, 'f', 0);
    if (v >= 10)
        return QString::number(v, 'f', 1);
    return QString::number(v, 'f', 2);
}

QString with_unit(double v, const QString &unit)
{
    if (unit == QStringLiteral("×"))
        return QString::number(v, 'f', 3) + QStringLiteral(" ×");
    return unit == QLatin1String("%") ? number(v) + unit : number(v) + QLatin1Char(' ') + unit;
}

}  // namespace

Figure not_measured(const QString &name, const QString &why)
{
    Figure f;
    f.name = name;
    f.note = why;
    return f;
}

QString table(const QList<Figure> &figures)
{
    QStringList rows;
    rows << QStringLiteral("| Figure | Measured | Floor | Ratio | Target | Met | Notes |");
    rows << QStringLiteral("| --- | ---: | ---: | ---: | ---: | --- | --- |");
    for (const Figure &f : figures) {
        QString measured = QStringLiteral("—"), floor = QStringLiteral("—"), ratio = QStringLiteral("—");
        QString target;
        if (f.additive) {
            floor = with_unit(f.floor, f.unit);
            target = QStringLiteral("≤ floor + ") + with_unit(f.limit, f.unit);
        } else if (f.floor > 0) {
            floor = with_unit(f.floor, f.unit);
            target = QStringLiteral("≤ %1 ×").arg(f.limit);
        } else {
            target = QStringLiteral("≤ ") + with_unit(f.limit, f.unit);
        }
        if (f.measured) {
            measured = with_unit(f.value, f.unit);
            if (f.additive)
                ratio = (f.value >= f.floor ? QStringLiteral("+") : QStringLiteral("−")) +
                        with_unit(std::abs(f.value - f.floor), f.unit);
            else if (f.floor > 0)
                ratio = QString::number(f.ratio(), 'f', 3);
        }
        const QString met = !f.measured ? QStringLiteral("not run")
                            : f.met()   ? QStringLiteral("yes")
                                        : QStringLiteral("**no**");
        rows << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 |")
                    .arg(f.name, measured, floor, ratio, target, met, f.note);
    }
    return rows.join(QLatin1Char('\n'));
}

}  // namespace bench
