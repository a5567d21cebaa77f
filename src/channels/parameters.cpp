#include "channels/parameters.h"

namespace parameters {

const Parameter &parameter(ParameterId id)
{
    static const Parameter table[ParameterCount] = {
        {"POROG", 0, 0x11, Scope::Channel, 0x2F, Scope::Channel, 0, "Параметр 'Порог' не установлен!"},
        {"USILENIE", 1, 0x0F, Scope::Channel, 0x2D, Scope::Channel, 0, "Параметр 'Усиление' не установлен!"},
        {"ARP", 0, 0x12, Scope::Channel, 0x30, Scope::Channel, 0, "Параметр 'АРП' не установлен!"},
        {"IMPULS", 2, 0x13, Scope::Channel, 0x31, Scope::Channel, 0, "Параметр 'Импульс' не установлен!"},
        {"PAUZA", 1, 0x14, Scope::Channel, 0x32, Scope::Channel, 0, "Параметр 'Пауза' не установлен!"},
        {"OKNO", 0, 0x15, Scope::Channel, 0x33, Scope::Channel, 0, "Параметр 'Окно' не установлен!"},
        // "не становлен" is the message units' users know; it stays as it is.
        {"SCHET", 1, 0x16, Scope::Channel, 0x34, Scope::Channel, 0, "Параметр 'Счет' не становлен!"},
        {"TREVOGA", 1, 0x1A, Scope::Channel, 0x3F, Scope::Channel, 0, "Параметр 'Тревога' не установлен!"},
        {"ZADERZHKA", 2, 0x19, Scope::Unit, 0x37, Scope::Unit, 0, "Параметр 'Задержка' не установлен!"},
        {"BLOKIROVKA", 1, 0x1C, Scope::Unit, 0x3A, Scope::Unit, 0, "Параметр 'Блокировка' не установлен!"},
        {"REZHEKTSIYA", 0, 0x10, Scope::Channel, 0x2E, Scope::Channel, 1,
         "Параметр 'Режекция' не установлен!"},
        {"PEREPIL_POROG", 0, 0x21, Scope::Unit, 0x3C, Scope::Channel, 2,
         "Параметр 'Перепил: Порог' не установлен!"},
        {"PEREPIL_VREMJ", 0, 0x22, Scope::Unit, 0x3D, Scope::Channel, 2,
         "Параметр 'Перепил: Превышение' не установлен!"},
    };
    return table[(id >= 0 && id < ParameterCount) ? id : 0];
}

Scope set_scope(ParameterId id, int unit_version)
{
    return id == Trevoga && unit_version == 0 ? Scope::Unit : parameter(id).set_scope;
}

QByteArray set_payload(ParameterId id, int address, int channel, int index, int unit_version)
{
    const Parameter &p = parameter(id);
    const quint8 code = id == Trevoga && unit_version == 0 ? kSetAlarmTimeUnit : p.set_code;
    const Scope scope = set_scope(id, unit_version);
    QByteArray payload;
    payload.append(char(quint8(address)));
    payload.append(char(code));
    if (scope == Scope::Channel)
        payload.append(char(quint8(channel)));
    payload.append(char(quint8(index + p.offset)));
    return payload;
}

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
