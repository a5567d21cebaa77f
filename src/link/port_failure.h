#pragma once

#include "link/serial_port.h"

#include <QString>

// The reason under "Не возможно открыть выбранный порт!" or "Нет ответа от
// блока!": what went wrong with the port and what the user can do about it.
// name is the port as the user chose it; detail the port's own error text,
// used where no better reason is known. Empty for PortFailure::None.
QString port_failure_text(PortFailure failure, const QString &name, const QString &detail = QString());

// The failure as one English word for scripts (the tool's --json "reason"):
// "not-found", "access-denied", "busy", "vanished", ...; empty for None.
const char *port_failure_key(PortFailure failure);
