#pragma once

#include <QString>
#include <QStringList>

// The form's parameter lists as tables: their names (the main window's member
// names), the label and unit the form shows beside them, and their items in
// list order. The item at list index i stands for unit code i + the
// parameter's offset (parameters::parameter(id).offset; 0 for the preset and
// the mode).
namespace lists {

// The first thirteen equal parameters::ParameterId.
enum List {
    Porog,
    Usilenie,
    Arp,
    Impuls,
    Pause,
    Okno,
    Schet,
    Trevoga,
    Zad,
    Block,
    Reject,
    PorogPerepil,
    TimePerepil,
    Pred,   // the fence-type preset (LF only)
    Onoff,  // the channel's mode: off, LF, HF
    ListCount
};

struct ListInfo {
    const char *name;   // "porog", as the main window names the list
    const char *label;  // "Порог", what the form's label says (UTF-8)
    const char *unit;   // "мВ", the unit the label gives, or ""
};

const ListInfo &list_info(List list);

// The items in list order, as the form shows them.
QStringList list_texts(List list);

// Code offset of the list: unit code = list index + offset.
int code_offset(List list);

// Whether code stands for an item of the list.
bool in_list(List list, qint32 code);

// The list of that name, or ListCount.
List find_list(const QString &name);

// Label with its unit: "Порог (мВ)", "Усиление".
QString label_with_unit(List list);

}  // namespace lists
