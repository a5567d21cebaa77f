#pragma once

#include <QString>
#include <QStringList>

// Which names the port list admits: Windows names its serial ports COM1,
// COM2, ...; Unix systems name them ttyS0, ttyUSB0, ttyACM0, and virtual
// ports are ttySIM0, ... The test is case-sensitive and at position 0.
enum class PortNaming { Windows, Unix };

PortNaming native_port_naming();
bool admits_port_name(const QString &name, PortNaming naming = native_port_naming());

// Names of the serial ports present now, in enumeration order: the system's
// ports, then the live virtual ports.
QStringList present_port_names();

// What to open for a port name of the list: the link of a virtual port, the
// device node for a system port.
QString port_system_path(const QString &name);
