#pragma once

#include <QString>
#include <QStringList>

// Virtual serial ports: a program that simulates a unit opens a
// pseudo-terminal and publishes a symbolic link to its slave side in
// <runtime location>/mirval/ports. The link's file name is the port's name in
// the port list (ttySIM0, ttySIM1, ...). A link whose target is gone counts as
// no port.
namespace virtual_ports {

// <runtime location>/mirval/ports, or an empty string when the platform gives
// no runtime location (then there are no virtual ports).
QString directory();

// Creates the directory (0700 at every level this creates). On failure returns
// false and says why in *error.
bool ensure_directory(QString *error);

// Publishes a link to target under the first free name "<prefix><n>"; returns
// the name, or an empty string with *error set.
QString publish(const QString &target, QString *error, const QString &prefix = QStringLiteral("ttySIM"));

// Removes a link published under name (only if it is a link).
void unpublish(const QString &name);

// Names of the live virtual ports, sorted by name.
QStringList live_ports();

// Path of the link for a virtual port name, or an empty string when no live
// virtual port has that name.
QString path_of(const QString &name);

}  // namespace virtual_ports
