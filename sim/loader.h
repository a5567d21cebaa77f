#pragma once

#include "faults.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// The unit's loader. After the entry frame it takes the lines of an Intel
// HEX file, one at a time: it answers 0xAA when it is ready for a line and
// 0xCC once the end-of-file record has arrived; then the unit restarts. A
// line that is not a valid record is answered with kBadLine and not stored.
namespace sim {

constexpr quint8 kLoaderReady = 0xAA;
constexpr quint8 kLoaderDone = 0xCC;
constexpr quint8 kLoaderBadLine = 0x55;

struct HexRecord {
    quint8 type = 0;
    quint16 address = 0;
    QByteArray data;
};

// Parses one record ":LLAAAATT<data>CC" (either digit case); checks length
// and checksum.
bool parse_hex_record(const QByteArray &line, HexRecord *record, QString *why = nullptr);

class Loader {
public:
    struct Reply {
        bool send = false;
        quint8 byte = 0;
        bool finished = false;  // the image is complete, the unit restarts
        QString note;
    };

    bool active() const { return m_active; }
    // A line was rejected by a loader-fail fault: the unit has no image to
    // start, so it stays in its loader, and the next entry starts afresh.
    bool stranded() const { return m_stranded; }

    // The entry frame arrived. A first entry starts a new transfer; an entry
    // while active (the sender starting over after a silence) resumes it.
    Reply enter();
    // A line arrived; terminated_ok tells whether it ended in LF CR. A
    // loader-fail fault for the line is used up.
    Reply line(const QByteArray &text, bool terminated_ok, Faults &faults);
    // Leaves the loader without a complete image (timeout).
    void abandon();

    // Lines accepted, in order, without their line ends.
    const QList<QByteArray> &lines() const { return m_lines; }
    int lines_received() const { return m_received; }
    int bad_terminators() const { return m_bad_terminators; }
    int entries() const { return m_entries; }
    bool complete() const { return m_complete; }
    int transfers_completed() const { return m_completed_count; }
    // Data bytes by absolute address (extended segment and linear addresses applied).
    const QMap<quint32, quint8> &image() const { return m_image; }

private:
    bool m_active = false;
    bool m_complete = false;
    bool m_stalled_once = false;
    bool m_stranded = false;
    int m_received = 0;
    int m_bad_terminators = 0;
    int m_entries = 0;
    int m_completed_count = 0;
    quint32 m_base = 0;
    QList<QByteArray> m_lines;
    QMap<quint32, quint8> m_image;
};

}  // namespace sim
