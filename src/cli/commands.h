#pragma once

#include "cli.h"

// The commands of the table, by family; each takes the parsed command line
// and returns the exit status.
namespace cli {

// The port list (ports_command.cpp).
int run_ports(Context &c);
// What keeps the program from a port (doctor_command.cpp).
int run_doctor(Context &c);

// Configuration files and the whole-unit configuration (config_commands.cpp).
int run_show(Context &c);
int run_read(Context &c);
int run_write(Context &c);
int run_diff(Context &c);

// One parameter (parameter_commands.cpp).
int run_get(Context &c);
int run_set(Context &c);

// The clock and the event log (clock_log_commands.cpp).
int run_time(Context &c);
int run_set_time(Context &c);
int run_log(Context &c);
int run_clear_log(Context &c);

// The self-test and the measurements (measurement_commands.cpp).
int run_test(Context &c);
int run_level(Context &c);
int run_amplitude(Context &c);
int run_frequency(Context &c);

// Who is on the line (line_commands.cpp).
int run_info(Context &c);
int run_scan(Context &c);

// The status poll (monitor_command.cpp).
int run_monitor(Context &c);

// The firmware (firmware_command.cpp).
int run_flash(Context &c);

// The change journal (journal_command.cpp).
int run_journal(Context &c);

// A whole site: every line, every unit (site_commands.cpp).
int run_backup(Context &c);
int run_restore(Context &c);

// The commissioning report (report_command.cpp).
int run_report(Context &c);

}  // namespace cli
