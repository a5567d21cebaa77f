#pragma once

#include <QByteArray>

// Payloads of the requests that change a unit and are not one of the
// parameter table's setters (parameters::set_payload), nor a read
// (readback::request). The window and the tool send exactly these.
namespace requests {

// set_line_speed broadcast to every unit (address 0): listen at the speed of
// index from now on.
QByteArray line_speed_payload(int speed_index);
// The mode of channel (0 off, 1 LF, 2 HF).
QByteArray mode_payload(int address, int channel, int mode);
// The fence-type preset of an LF channel, as the preset list's index.
QByteArray preset_payload(int address, int channel, int index);
// Reads the unit's clock.
QByteArray get_time_payload(int address);
// Clears the unit's event log.
QByteArray clear_log_payload(int address);

}  // namespace requests
