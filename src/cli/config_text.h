#pragma once

#include "channels/list_texts.h"
#include "config/unit_config.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// A whole-unit configuration in human terms: each value with its list text and
// unit, as the form shows it; and where two configurations differ.
namespace cli {

// "140 мВ" for a code of the list; "код N (нет в списке)" for one outside it.
QString value_text(lists::List list, qint32 code);
// Whether code stands for an item of the list.
bool in_list(lists::List list, qint32 code);
// The pairs of a pairing mask: "1+2, 3+4", or "нет".
QString cross_text(qint32 mask);

// The lists that hold a value for a channel in mode (low byte of regim):
// none when off; the preset and the rejection in LF, the cut values in HF.
// The mode itself is not among them.
QList<lists::List> channel_lists(int mode);
qint32 channel_value(const ChannelSettings &settings, lists::List list);

// The lines of `show`.
QStringList config_lines(const UnitConfig &config);
QJsonObject config_json(const UnitConfig &config);

struct Difference {
    int channel;  // 1..4, or 0 for the unit-wide values
    QString what;
    QString expected;  // the file's
    QString actual;    // the unit's
};

// What the unit holds of a value it is sent: the low byte, read back as a
// signed byte (200 is held as -56, 257 as 1).
qint32 unit_held(qint32 value);

// Where the unit's configuration differs from the file's: the mode of every
// channel, the values of the channel's mode where the modes agree, and the
// unit-wide values. A file value is compared as the unit holds it.
QList<Difference> config_differences(const UnitConfig &file, const UnitConfig &unit);
QString difference_line(const Difference &d);
QJsonObject difference_json(const Difference &d);

// The values of the file, among those compared, that the unit holds as
// another value; actual is what it holds.
QList<Difference> held_otherwise(const UnitConfig &file);
QString held_otherwise_line(const Difference &d);

}  // namespace cli
