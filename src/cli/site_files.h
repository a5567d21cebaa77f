#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Where a site's backup keeps each unit: DIR/<line>-<address>.cfg, the line's
// port name made safe for any file system (letters, digits, '.' and '-' stay,
// every run of other characters becomes one '_'), so that
// rfc2217://10.0.0.5:4001 unit 3 is rfc2217_10.0.0.5_4001-3.cfg and ttyUSB0
// unit 12 is ttyUSB0-12.cfg.
namespace site_files {

QString safe_name(const QString &port);
QString file_path(const QString &dir, const QString &port, int address);
// DIR/<line>-*.cfg, for messages.
QString file_pattern(const QString &dir, const QString &port);
// The addresses (1..255) whose files the directory holds for the line, in
// ascending order.
QList<int> addresses_in(const QString &dir, const QString &port);
// A unit's file found in a site's directory.
struct UnitFile {
    QString line;  // the line's name as made safe
    int address = 0;
    QString path;
};
// Every unit file in the directory, by line name, then address.
QList<UnitFile> units_in(const QString &dir);
// Empty when every line has files of its own; otherwise the text that says
// which lines would share them (the same line twice, or two spellings that
// make the same name).
QString clashing_lines(const QStringList &ports);

}  // namespace site_files
