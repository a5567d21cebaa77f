#include "unit.h"

#include "commands.h"

#include <algorithm>

namespace sim {

static const QByteArray kLoaderEntry = QByteArrayLiteral("$007777");

Unit::Unit(quint8 address)
{
    m_state.address = address;
    m_start = m_state;
}

void Unit::reset()
{
    m_state = m_start;
    const bool check_speed = m_faults.speed_check();
    m_faults.clear();
    if (check_speed)
        m_faults.add(QStringLiteral("speed-check"));
    m_loader = Loader();
    m_loader_line.clear();
    m_rx.reset();
    m_out.clear();
    m_babble_next = kNever;
    m_babble_pos = 0;
    m_restart_until = -1;
}

void Unit::note(Usec now, const QString &text)
{
    if (m_note)
        m_note(now, QStringLiteral("unit %1: %2").arg(m_state.address).arg(text));
}

bool Unit::babbling() const
{
    Usec interval = 0;
    return m_faults.babble(&interval);
}

void Unit::feed(const QByteArray &bytes, Usec now, int line_baud)
{
    if (bytes.isEmpty())
        return;
    if (restarting(now)) {
        note(now, QStringLiteral("restarting, did not hear %1 bytes").arg(bytes.size()));
        return;
    }
    if (m_faults.speed_check() && line_baud > 0 && line_baud != m_state.baud()) {
        // At the wrong speed the unit receives only garbage.
        m_rx.reset();
        m_loader_line.clear();
        note(now,
             QStringLiteral("not heard: line at %1 baud, unit at %2").arg(line_baud).arg(m_state.baud()));
        return;
    }
    if (babbling() && m_babble_next == kNever)
        m_babble_next = now + m_timing.latency;
    for (char c : bytes)
        feed_byte(c, now);
}

void Unit::feed_byte(char c, Usec now)
{
    if (m_loader.active()) {
        if (!m_loader.stranded() && now - m_loader_last > m_timing.loader_timeout) {
            m_loader.abandon();
            m_loader_line.clear();
            note(now, QStringLiteral("loader timed out, back to normal operation"));
        } else {
            m_loader_last = now;
            m_loader_line.append(c);
            if (c == kFrameEnd)
                handle_loader_line(now);
            else if (m_loader_line.size() > 1024)
                m_loader_line.clear();
            return;
        }
    }
    const QList<QByteArray> frames = m_rx.feed(QByteArray(1, c));
    for (const QByteArray &f : frames)
        handle_frame(f, now);
}

void Unit::handle_frame(const QByteArray &frame, Usec now)
{
    const DecodedFrame d = decode_request(frame);
    if (!d.ok()) {
        note(now, QStringLiteral("malformed request ignored"));
        return;
    }
    const QByteArray payload = d.payload();
    if (payload.size() < 2) {
        note(now, QStringLiteral("request without a command code ignored"));
        return;
    }
    const quint8 address = quint8(payload[0]);
    const quint8 code = quint8(payload[1]);
    if (address != m_state.address && address != 0)
        return;  // another unit's request
    const bool broadcast = address == 0;

    const Admission admission = m_faults.admit(code);
    if (!admission.heard) {
        note(now, QStringLiteral("no answer (%1)").arg(admission.why));
        return;
    }
    ++m_heard;

    UnitState before;
    if (!admission.execute)
        before = m_state;
    const CommandOutcome outcome = execute(m_state, payload, now);
    if (!admission.execute)
        m_state = before;

    if (outcome.kind == CommandOutcome::NoAnswer) {
        note(now, QStringLiteral("no answer: %1").arg(outcome.note));
        return;
    }
    if (!admission.execute && (!admission.answer || outcome.kind == CommandOutcome::EnterLoader)) {
        note(now, QStringLiteral("no answer (%1)").arg(admission.why));
        return;
    }
    if (outcome.kind == CommandOutcome::EnterLoader) {
        const Loader::Reply reply = m_loader.enter();
        m_loader_last = now;
        m_loader_line.clear();
        m_rx.reset();
        m_loader_answers = !broadcast || m_answers_broadcast;
        note(now, reply.note);
        send_loader_reply(reply, now);
        return;
    }
    if (code == 0x01 && m_faults.speed_silent()) {
        note(now, QStringLiteral("switched to %1 baud without answering").arg(m_state.baud()));
        return;
    }
    if (broadcast && !m_answers_broadcast)
        return;
    send_answer(outcome.answer, code, admission.bad_checksum, now);
    if (admission.bad_checksum)
        note(now, QStringLiteral("%1, answered with a bad checksum").arg(admission.why));
}

void Unit::send_answer(const QByteArray &answer, quint8 code, bool bad_checksum, Usec now)
{
    const AnswerShape shape = m_faults.shape(code);
    QByteArray frame = encode_answer(answer, shape.upper_case);
    if (bad_checksum || shape.bad_checksum) {
        const QByteArray wrong = QByteArray(1, char(checksum(answer) + 1)).toHex();
        frame.replace(frame.size() - 3, 2, shape.upper_case ? wrong.toUpper() : wrong);
    }
    const QByteArray data = shape.stale + frame;
    const Usec due = now + m_timing.latency + shape.delay;
    const int pieces = std::max(1, std::min<int>(shape.pieces, int(data.size())));
    const int size = int((data.size() + pieces - 1) / pieces);
    int piece = 0;
    for (int at = 0; at < data.size(); at += size, ++piece)
        schedule(due + piece * shape.gap, data.mid(at, size));
}

void Unit::handle_loader_line(Usec now)
{
    QByteArray text = m_loader_line;
    m_loader_line.clear();
    text.chop(1);  // CR
    const bool terminated_ok = text.endsWith('\n');
    if (terminated_ok)
        text.chop(1);
    if (text.endsWith(kLoaderEntry)) {
        const Loader::Reply reply = m_loader.enter();
        note(now, reply.note);
        send_loader_reply(reply, now);
        return;
    }
    if (!text.startsWith(':')) {
        note(now, QStringLiteral("loader ignores \"%1\"").arg(QString::fromLatin1(text)));
        return;
    }
    const Loader::Reply reply = m_loader.line(text, terminated_ok, m_faults);
    if (!reply.note.isEmpty())
        note(now, reply.note);
    send_loader_reply(reply, now);
    if (reply.finished) {
        m_restart_until = now + m_timing.latency + m_timing.restart;
        m_rx.reset();
        note(now, QStringLiteral("restarts"));
    }
}

void Unit::send_loader_reply(const Loader::Reply &reply, Usec now)
{
    if (reply.send && m_loader_answers)
        schedule(now + m_timing.latency, QByteArray(1, char(reply.byte)));
}

void Unit::schedule(Usec due, const QByteArray &bytes)
{
    const auto at =
        std::upper_bound(m_out.begin(), m_out.end(), due, [](Usec t, const Chunk &c) { return t < c.due; });
    m_out.insert(at, Chunk{due, bytes});
}

Usec Unit::next_due() const
{
    Usec next = m_out.empty() ? kNever : m_out.front().due;
    if (babbling())
        next = std::min(next, m_babble_next);
    return next;
}

QList<Chunk> Unit::take_due(Usec now)
{
    QList<Chunk> out;
    auto end = m_out.begin();
    while (end != m_out.end() && end->due <= now)
        ++end;
    for (auto it = m_out.begin(); it != end; ++it)
        out.append(*it);
    m_out.erase(m_out.begin(), end);

    Usec interval = 0;
    if (m_faults.babble(&interval) && m_babble_next != kNever) {
        static const char kPattern[] = "0123456789abcdef";
        const Usec step = interval * m_timing.babble_chunk;
        if (now - m_babble_next > msec(1000))  // nobody listened for a while
            m_babble_next = now - (now - m_babble_next) % step;
        bool any = false;
        while (m_babble_next <= now) {
            QByteArray bytes;
            for (int i = 0; i < m_timing.babble_chunk; ++i, ++m_babble_pos)
                bytes.append(m_babble_pos == 0 ? '!' : kPattern[m_babble_pos % 16]);
            out.append(Chunk{m_babble_next, bytes});
            m_babble_next += step;
            any = true;
        }
        if (any)
            std::stable_sort(out.begin(), out.end(),
                             [](const Chunk &a, const Chunk &b) { return a.due < b.due; });
    }
    return out;
}

void Unit::clear_output()
{
    m_out.clear();
}

}  // namespace sim
