#pragma once

#include <QString>
#include <QStringList>

// Network serial ports the user lists in a settings file, so that they stand
// in the port list beside the system's ports:
//
//   $XDG_CONFIG_HOME/mirval/ports   (~/.config/mirval/ports)
//
// one port a line, spelt rfc2217://HOST:PORT; blank lines and lines starting
// with '#' are skipped, spaces around a name do not count, a name listed twice
// counts once.
namespace network_ports {

// The settings file's path; empty where the system has no configuration
// directory.
QString settings_file();

struct Listing {
    QStringList ports;     // in the file's order
    QStringList rejected;  // "LINE: TEXT" of every line that names no network port
};

// The ports the file lists; nothing for a file that does not exist.
Listing read(const QString &path = settings_file());
// The same from the file's text.
Listing parse(const QString &text);

}  // namespace network_ports
