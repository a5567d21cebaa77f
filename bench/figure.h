#pragma once

// One line of the benchmark's table: a measured figure and what it is held
// against, either a floor (the target is a ratio) or a plain limit.
#include <QList>
#include <QString>

namespace bench {

struct Figure {
    QString name;
    QString unit;  // of value and floor
    double value = 0;
    double floor = 0;       // > 0: the target is value / floor <= limit
    double limit = 0;       // the highest ratio, or value without a floor
    bool additive = false;  // the target is value - floor <= limit, in the unit
    bool measured = false;  // false: not run or it failed; note says why
    QString note;

    double ratio() const { return floor > 0 ? value / floor : 0; }
    bool met() const
    {
        if (!measured)
            return false;
        if (additive)
            return value - floor <= limit;
        return floor > 0 ? ratio() <= limit : value <= limit;
    }
};

// A figure that could not be measured.
Figure not_measured(const QString &name, const QString &why);

// The table in Markdown, one row per figure.
QString table(const QList<Figure> &figures);

}  // namespace bench
