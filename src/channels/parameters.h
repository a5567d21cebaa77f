#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Value tables of the lists that the main window fills itself; the other
// lists come from the form.
namespace parameters {

constexpr int kThresholds[14] = {6, 9, 13, 18, 25, 35, 50, 70, 100, 140, 200, 280, 400, 560};
constexpr int kCutThresholds[14] = {6, 9, 13, 18, 25, 35, 50, 70, 100, 140, 200, 280, 400, 560};
constexpr double kRejections[17] = {0.0, 0.8, 1.0, 1.2, 1.4, 1.6, 1.8, 2.0, 2.2,
                                    2.4, 2.7, 3.0, 3.3, 3.6, 3.9, 4.2, 4.5};
constexpr int kCutTimes[8] = {1, 2, 3, 5, 7, 9, 12, 15};

// One parameter of a channel or of the whole unit: how its list index maps to
// the unit's code, which commands read and set it, and what the user is told
// when the unit does not confirm a change.
enum class Scope { Channel, Unit };

struct Parameter {
    const char *key;  // configuration-file key
    int offset;       // unit code = list index + offset
    quint8 read_code;
    Scope read_scope;  // whether the read request carries a channel byte
    quint8 set_code;
    Scope set_scope;      // whether the set request carries a channel byte
    int only_in_mode;     // 0: every mode; 1 LF only; 2 HF only
    const char *message;  // shown when a set is not confirmed (UTF-8)
};

enum ParameterId {
    Porog,
    Usilenie,
    Arp,
    Impuls,
    Pauza,
    Okno,
    Schet,
    Trevoga,
    Zaderzhka,
    Blokirovka,
    Rezhektsiya,
    PerepilPorog,
    PerepilVremj,
    ParameterCount
};

const Parameter &parameter(ParameterId id);

// Units of major version 0 keep one alarm time for the whole unit.
constexpr quint8 kReadAlarmTimeUnit = 0x17;
constexpr quint8 kSetAlarmTimeUnit = 0x35;

// Whether the set request of id carries a channel byte: the alarm time of a
// unit of major version 0 is unit-wide.
Scope set_scope(ParameterId id, int unit_version);

// Request payload that sets parameter id to list index `index`. The alarm time
// uses the unit-wide command when unit_version is 0.
QByteArray set_payload(ParameterId id, int address, int channel, int index, int unit_version);

// Item texts: integers in decimal, rejections in the shortest general form of
// 6 significant digits with a point ("1", "2.7").
QStringList threshold_texts();
QStringList cut_threshold_texts();
QStringList rejection_texts();
QStringList cut_time_texts();

}  // namespace parameters
