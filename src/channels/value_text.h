#pragma once

#include "channels/list_texts.h"

#include <QString>

// A unit's value as the form shows it: the list item with its unit, or the
// pairs of the pairing mask. The window, the tool and the change journal
// show values alike.
namespace form_text {

// "140 мВ" for a code of the list; "код N (нет в списке)" for one outside it.
QString value_text(lists::List list, qint32 code);
// The pairs of a pairing mask: "1+2, 3+4", or "нет".
QString cross_text(qint32 mask);

}  // namespace form_text
