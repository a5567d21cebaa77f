#pragma once

#include "link/unit_link.h"
#include "unit_report.h"

#include <functional>

// Gathering a report's contents: from a unit over a link (the very requests
// of the window's operations), or from a configuration without one.
namespace report {

using Progress = std::function<void(const QString &text)>;

// Reads the unit at address: identity, clock, configuration, then the
// optional sections asked for in options (measurements, event log, the
// self-test last, since it only adds to the log). Once the unit stops
// answering, every section after it is marked missing without asking
// again. False when the unit gave not even its identity and configuration:
// there is nothing worth a report then. out->port and the journalled changes
// are the caller's.
bool read_unit(const UnitLink &link, int address, const Options &options, UnitReport *out,
               const Progress &progress = {});

// A report of a configuration alone (a file, or the window's form without a
// unit).
UnitReport from_config(const UnitConfig &config, const QString &file);

// The entries of the unit at address on port ended at or after since, in
// order.
QList<journal::Entry> changes_since(const QList<journal::Entry> &entries, const QString &port, int address,
                                    const QDateTime &since);

}  // namespace report
