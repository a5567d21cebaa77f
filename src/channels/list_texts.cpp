#include "channels/list_texts.h"

#include "channels/parameters.h"

namespace lists {

namespace {

QStringList numbers(std::initializer_list<int> values)
{
    QStringList texts;
    for (int v : values)
        texts << QString::number(v);
    return texts;
}

QStringList utf8(std::initializer_list<const char *> values)
{
    QStringList texts;
    for (const char *v : values)
        texts << QString::fromUtf8(v);
    return texts;
}

}  // namespace

const ListInfo &list_info(List list)
{
    static const ListInfo table[ListCount] = {
        {"porog", "Порог", "мВ"},
        {"usilenie", "Усиление", ""},
        {"arp", "АРП", ""},
        {"impuls", "Импульс", "мсек"},
        {"pause", "Пауза", "мсек"},
        {"okno", "Окно", "сек"},
        {"schet", "Счет", ""},
        {"trevoga", "Тревога", "сек"},
        {"zad", "Задержка", "мсек"},
        {"block", "Блокировка", "сек"},
        {"reject", "Режекция", "Гц"},
        {"porog_perepil", "Перепил: Порог", "мВ"},
        {"time_perepil", "Перепил: Превышение", "сек"},
        {"pred", "Предустановка", ""},
        {"onoff", "Режим работы", ""},
    };
    return table[(list >= 0 && list < ListCount) ? list : 0];
}

QStringList list_texts(List list)
{
    switch (list) {
    case Porog:
        return parameters::threshold_texts();
    case Usilenie:
        return numbers({1, 2, 3, 4, 5, 6, 7, 8});
    case Arp:
        return utf8({"Выкл", "1", "2", "3", "4", "5"});
    case Impuls:
        return numbers({80, 120, 160, 200, 240, 280, 320, 360, 400, 440, 480, 520, 560});
    case Pause:
        return numbers({80, 120, 160, 200, 240, 280, 320, 360, 400});
    case Okno:
        return numbers({2, 4, 6, 8, 10, 12, 15, 20, 25, 30, 40, 60});
    case Schet:
        return numbers({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    case Trevoga:
        return numbers({1, 2, 3, 4, 5});
    case Zad:
        return numbers({80, 120, 160, 200, 240, 280, 320, 360, 400, 440, 480, 520});
    case Block:
        return numbers({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    case Reject:
        return parameters::rejection_texts();
    case PorogPerepil:
        return parameters::cut_threshold_texts();
    case TimePerepil:
        return parameters::cut_time_texts();
    case Pred:
        // The double spaces are the form's.
        return utf8({"Заводская", "ССЦП  полотно", "ССЦП  козырек", "АКЛ  плоская", "АКЛ объемная",
                     "Профлист", "Рабица", "Подземный"});
    case Onoff:
        return utf8({"Выкл", "НЧ", "ВЧ"});
    case ListCount:
        break;
    }
    return {};
}

int code_offset(List list)
{
    if (list >= 0 && list < int(parameters::ParameterCount))
        return parameters::parameter(parameters::ParameterId(int(list))).offset;
    return 0;
}

bool in_list(List list, qint32 code)
{
    const qint32 index = code - code_offset(list);
    return index >= 0 && index < list_texts(list).size();
}

List find_list(const QString &name)
{
    for (int i = 0; i < ListCount; ++i)
        if (name == QLatin1String(list_info(List(i)).name))
            return List(i);
    return ListCount;
}

QString label_with_unit(List list)
{
    const ListInfo &info = list_info(list);
    const QString label = QString::fromUtf8(info.label);
    if (info.unit[0] == '\0')
        return label;
    return QStringLiteral("%1 (%2)").arg(label, QString::fromUtf8(info.unit));
}

}  // namespace lists
