#pragma once

#include "config/unit_config.h"

#include <QByteArray>
#include <QDomNode>
#include <QString>

// The configuration file: an XML document of four KANAL elements (NOMER 0..3
// is channel 1..4) and one BLOK element, all values as signed decimal unit codes.

// Files larger than this are refused unread.
constexpr qint64 kConfigFileLimit = 1048576;
// A file whose elements nest deeper is refused before it is parsed; the
// records themselves sit at depth 2 (MIRVAL, KANAL).
constexpr int kConfigNestingLimit = 32;

// File dialog filter of configuration files.
extern const QString kConfigFileFilter;

// "mirval <address> <fdate>.cfg", the name offered when saving.
QString proposed_config_name(int address, const QString &fdate_text);

// The file's exact bytes: ASCII, LF line ends, no XML declaration. The same
// record always gives the same bytes.
QByteArray config_file_bytes(const UnitConfig &config);

// Which records a walk took; the loader needs all of them.
struct ConfigSeen {
    bool channels[kChannelCount] = {false, false, false, false};
    bool blok = false;

    bool complete() const { return channels[0] && channels[1] && channels[2] && channels[3] && blok; }
};

// Walks first and its following siblings, descending into elements without
// attributes; every KANAL and BLOK element found replaces its part of config
// (a later one wins). Returns 1, or 0 for an element with attributes that is
// neither, a record lacking an attribute, or a NOMER outside 0..3. Records
// taken are marked in *seen.
int parse_config_node(const QDomNode &first, UnitConfig &config, ConfigSeen *seen = nullptr);

// Outcome of a load: ok, or the title and text of the message to show.
struct ConfigLoadResult {
    bool ok = false;
    QString title;
    QString text;
    int line = 0;  // where the XML parser stopped; 0 for other failures
    int column = 0;
};

// Parses a configuration file. out changes only when the file is accepted,
// which needs all four channels and the BLOK record; elements nested deeper
// than the limit are refused as a bad structure.
ConfigLoadResult load_config_bytes(const QByteArray &bytes, UnitConfig &out);

// Reads path and parses it as load_config_bytes does; a file over the limit,
// a device or a pipe is refused without reading it.
ConfigLoadResult load_config_file(const QString &path, UnitConfig &out);

// Writes the file as save_user_file does. 0 on success; otherwise nonzero
// with the system's reason in *error and what became of the old file in *note.
int save_config_file(const QString &path, const UnitConfig &config, QString *error, QString *note = nullptr);
