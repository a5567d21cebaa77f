#pragma once

#include <QString>
#include <QStringList>

// mirval-pult --port NAME (or --port=NAME): the port the list selects at
// start. NAME is a name of the list (ttyUSB0), a device path
// (/dev/serial/by-id/...; /dev/ttyUSB0 is taken as ttyUSB0) or a network port
// (rfc2217://HOST:PORT).
struct PortOption {
    QString port;   // empty: not given
    QString error;  // why the command line is refused; empty: it is not
};

// arguments as the program got them, the program's name first; options it
// does not know (the toolkit's) are left alone.
PortOption port_option(const QStringList &arguments);

// The configuration file named on the command line (mirval-pult FILE): the
// one argument that is neither an option nor --port's value, in arguments as
// the application has them (the toolkit's own options taken out). Empty when
// none; error says why when several are given.
struct FileArgument {
    QString file;
    QString error;
};
FileArgument file_argument(const QStringList &arguments);
