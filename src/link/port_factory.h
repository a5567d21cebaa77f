#pragma once

#include "common/timing.h"
#include "link/serial_port.h"

#include <QString>
#include <memory>

// Network serial ports are named as pyserial and the tools that follow it
// name them: rfc2217://HOST:PORT, HOST a name, an IPv4 address or an IPv6
// address in brackets. A query after the port (?...) is ignored.
bool is_network_port_name(const QString &name);

struct NetworkAddress {
    QString host;
    quint16 port = 0;
};
// False for a name that is not a well-formed network port name.
bool parse_network_port_name(const QString &name, NetworkAddress *out);
// What is wrong with a network port name, as the user is told it
// ("Неверное имя сетевого порта 'NAME': ..."); empty for a good name.
QString network_port_name_error(const QString &name);

// The port that opens name: the network port for rfc2217://..., otherwise
// the serial port. timing bounds a network port's waits.
std::unique_ptr<SerialPort> make_port(const QString &name, const Timing &timing = Timing());
