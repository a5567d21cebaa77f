#pragma once

#include "faults.h"
#include "loader.h"
#include "sim_frames.h"
#include "unit_state.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

namespace sim {

struct UnitTiming {
    Usec latency = msec(2);             // from a request's CR to the first answer byte
    Usec restart = msec(200);           // deaf after the loader has finished
    Usec loader_timeout = msec(10000);  // loader gives up after this long without a byte
    int babble_chunk = 8;               // bytes per babble chunk
};

// One simulated unit as a pure state machine: bytes come in with the time they
// arrived (feed), bytes go out as chunks with the time each one is due
// (next_due, take_due). Nothing here sleeps or reads a clock, so delays,
// pieces and babble are data a test can inspect.
class Unit {
public:
    using NoteSink = std::function<void(Usec, const QString &)>;

    explicit Unit(quint8 address = 1);

    UnitState &state() { return m_state; }
    const UnitState &state() const { return m_state; }
    Faults &faults() { return m_faults; }
    const Loader &loader() const { return m_loader; }
    UnitTiming &timing() { return m_timing; }

    // Notes on what the unit made of its input (refusals, loader steps).
    void set_note_sink(NoteSink sink) { m_note = std::move(sink); }
    // On a shared line only one unit answers requests to address 0; the
    // others execute them silently.
    void set_answers_broadcast(bool on) { m_answers_broadcast = on; }
    bool answers_broadcast() const { return m_answers_broadcast; }

    // Bytes that reached the unit at now over a line running at line_baud
    // (0: speed unknown, always heard).
    void feed(const QByteArray &bytes, Usec now, int line_baud = 0);
    // Time of the next chunk, kNever when nothing is coming.
    Usec next_due() const;
    // Chunks due by now, in time order; removed from the unit.
    QList<Chunk> take_due(Usec now);
    void clear_output();

    // The state reset() goes back to: the one at construction until kept.
    void keep_start_state() { m_start = m_state; }
    // Back to the kept start state (parameters, modes, clock, log, speed),
    // with no fault but speed-check, no loader transfer and nothing on its
    // way out, as a unit switched off and on again with its factory setup.
    void reset();

    int requests_heard() const { return m_heard; }
    bool in_loader() const { return m_loader.active(); }
    bool restarting(Usec now) const { return now < m_restart_until; }

private:
    void feed_byte(char c, Usec now);
    void handle_frame(const QByteArray &frame, Usec now);
    void handle_loader_line(Usec now);
    void send_loader_reply(const Loader::Reply &reply, Usec now);
    void send_answer(const QByteArray &answer, quint8 code, bool bad_checksum, Usec now);
    void schedule(Usec due, const QByteArray &bytes);
    void note(Usec now, const QString &text);
    bool babbling() const;

    UnitState m_state;
    UnitState m_start;
    Faults m_faults;
    Loader m_loader;
    UnitTiming m_timing;
    FrameAssembler m_rx;
    QByteArray m_loader_line;
    Usec m_loader_last = 0;
    Usec m_restart_until = -1;
    std::vector<Chunk> m_out;  // sorted by due
    Usec m_babble_next = kNever;
    int m_babble_pos = 0;
    bool m_answers_broadcast = true;
    bool m_loader_answers = true;  // the loader was entered by a request this unit answers
    int m_heard = 0;
    NoteSink m_note;
};

}  // namespace sim
