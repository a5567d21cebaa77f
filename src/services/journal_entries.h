#pragma once

#include "channels/list_texts.h"
#include "services/change_journal.h"

#include <optional>

// The journal's entries for each kind of change, with the form's label, the
// stable key and the values as the form shows them. The caller adds where the
// change went (port, address, version) and how it ended.
namespace journal {

// The key a list's changes are journalled under: the configuration file's
// key, "REGIM" for the mode, "PREDUSTANOVKA" for the preset.
QString list_key(lists::List list);

// A list's value: "Порог" / "POROG", the mode "REGIM", the preset
// "PREDUSTANOVKA". channel 0 for a unit-wide value; old_code: not known.
Entry list_change(lists::List list, int channel, std::optional<qint32> old_code, qint32 new_code);
// A value of a configuration (list or config_values::kCrossMask) on channel.
Entry config_value_change(int channel, lists::List list, std::optional<qint32> old_code, qint32 new_code);
// The pairing mask, "Кросс" / "KROSS".
Entry cross_change(std::optional<qint32> old_mask, qint32 new_mask);
// The unit's clock set to utc_seconds ("CLOCK").
Entry clock_set(qint64 utc_seconds);
// The event log cleared ("LOG_CLEAR").
Entry log_cleared();
// A whole configuration written from file ("CONFIG_WRITE"); its values may
// be journalled one by one with list_change and cross_change as well.
Entry configuration_written(const QString &file);
// New firmware from file ("FIRMWARE"); old_version: empty when not known.
Entry firmware_written(const QString &file, const QString &old_version);

}  // namespace journal
