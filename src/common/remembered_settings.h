#pragma once

#include <QString>

// What the window remembers between runs: the port, the unit address and the
// line speed of the last successful connection, in an INI file of its own
// (QSettings), not in one named after the application.
struct RememberedConnection {
    QString port;          // empty: none remembered
    int address = 0;       // 1..255; 0: none remembered
    int speed_index = -1;  // index into the line speeds the dialog offers; -1: none
    QString by_id;         // the port's /dev/serial/by-id name; empty: none
};

// $XDG_CONFIG_HOME/mirval/mirval-pult.conf (~/.config/... without it).
QString remembered_settings_path();

// What the file holds; values it does not hold, or out of range, stay unset.
RememberedConnection load_remembered_connection(const QString &file);

// Writes the file; false when it could not be written.
bool save_remembered_connection(const QString &file, const RememberedConnection &connection);
