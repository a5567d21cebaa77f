#pragma once

#include "config/unit_config.h"
#include "services/change_journal.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What a commissioning report says of one unit, as read from it (or from a
// file), before it is laid out. A section asked for and not received is
// named in missing, so that a report never looks complete when it is not.
namespace report {

// Which optional sections to read.
struct Options {
    bool measure = false;    // level, amplitude and frequency of every channel in use
    bool self_test = false;  // the remote self-test
    int log_records = 0;     // the last N event-log records; 0: none
};

// The report as a whole: who, where and when.
struct Header {
    QString site;
    QString installer;
    QDateTime made;  // when the report was made (local time)
};

// A channel's measurements as the window shows them ("12.21"); empty: not
// measured.
struct ChannelMeasures {
    int channel = 0;
    QString level_mv;
    QString amplitude_mv;
    QString frequency_hz;
};

// A section that was asked for and not received, and why.
struct Missing {
    QString section;  // its title
    QString reason;   // "нет ответа от блока"
};

struct UnitReport {
    QString port;     // empty for a file
    int address = 0;  // 0: not known (a file)
    QString version;  // firmware version text; empty: not known
    QString file;     // the configuration file it was made from; empty: a unit
    bool from_file() const { return !file.isEmpty(); }

    std::optional<QDateTime> unit_clock;  // the unit's clock when read
    qint64 drift_s = 0;                   // unit's clock minus the PC's, seconds

    bool config_read = false;
    UnitConfig config;
    QString fingerprint;  // of config, when read

    Options asked;
    QList<ChannelMeasures> measures;   // channels in use, in order
    std::optional<bool> self_test_ok;  // not run: nullopt
    QList<QStringList> log;            // the last records, oldest first; four lines each
    QList<journal::Entry> changes;     // journalled for this unit today

    QList<Missing> missing;
};

// Section titles, shared by the reading and the layout.
inline QString identity_title()
{
    return QStringLiteral("Блок");
}
inline QString clock_title()
{
    return QStringLiteral("Часы блока");
}
inline QString config_title()
{
    return QStringLiteral("Конфигурация");
}
inline QString measures_title()
{
    return QStringLiteral("Измерения");
}
inline QString self_test_title()
{
    return QStringLiteral("Дистанционный контроль");
}
inline QString log_title()
{
    return QStringLiteral("Протокол событий");
}
inline QString changes_title()
{
    return QStringLiteral("Изменения за сеанс");
}

// The reason of a section the unit did not give.
inline QString no_answer_reason()
{
    return QStringLiteral("нет ответа от блока");
}

}  // namespace report
