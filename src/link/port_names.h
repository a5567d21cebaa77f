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

// Whether name is a device path (/dev/ttyUSB0, /dev/serial/by-id/...) rather
// than a name of the list.
bool is_device_path(const QString &name);

// What to open for a port name of the list: the device node, /dev/<name> for
// a system port, the target of the link for a virtual one; a device path is
// taken as it stands. Symbolic links are resolved.
QString port_system_path(const QString &name);

// Which adapter a port is, as the system reports it (empty where it does not):
// what the port list's tooltip and `mirval-cli ports` show.
struct PortDetails {
    QString name;
    QString path;            // what opening the port opens
    QString manufacturer;    // USB manufacturer
    QString product;         // USB product (the driver's description); what a virtual port is
    QString serial;          // USB serial number
    bool simulated = false;  // a virtual port published by a simulated unit
};

PortDetails port_details(const QString &name);

// The details as lines of text (the port list's tooltip), the device path last.
QString port_description(const PortDetails &d);
