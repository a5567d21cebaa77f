#include "link/exchange.h"

#include "common/logging.h"
#include "link/frames.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QElapsedTimer>
#include <QThread>

Exchange::Exchange(QObject *parent) : QObject(parent)
{
    tick_timer.setTimerType(Qt::PreciseTimer);
    connect(&tick_timer, &QTimer::timeout, this, &Exchange::wait_answer);
}

void Exchange::lock(bool enable)
{
    if (m_lock)
        m_lock(enable);
}

void Exchange::wait_ms(int ms)
{
    wait(ms, false);
}

void Exchange::wait(int ms, bool watch_line)
{
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    tick_flag = 0;
    ++m_wait_depth;
    tick_timer.start(ms);
    while (!tick_flag && (!watch_line || line_open())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        // A wait nested in that event processing shares the timer: it
        // restarted it, its tick set the flag, and it stopped it when it ended
        // (also when its line closed, with the flag still clear). This wait
        // keeps to its own deadline, neither ending early nor waiting for a
        // tick that never comes.
        if (deadline.hasExpired())
            break;
        if (tick_flag) {
            tick_flag = 0;
            tick_timer.start(int(deadline.remainingTime()));
        } else if (!tick_timer.isActive()) {
            tick_timer.start(int(deadline.remainingTime()));
        }
    }
    tick_timer.stop();
    --m_wait_depth;
}

// Whatever arrived before a request is written cannot be its answer: a late
// answer to an earlier request, or what a babbling line left behind.
void Exchange::drop_unread_input()
{
    if (m_port->bytesAvailable() <= 0)
        return;
    const QByteArray stale = m_port->readAll();
    qCDebug(lcLink) << "dropped before the request:" << stale;
    note_dropped(stale);
}

// A dropped piece that ends after a frame's start but before its CR leaves
// the rest of that frame to come: a late answer cut at a read.
void Exchange::note_dropped(const QByteArray &dropped)
{
    if (dropped.isEmpty())
        return;
    const qsizetype start = dropped.lastIndexOf('!');
    const qsizetype end = dropped.lastIndexOf('\r');
    if (start > end)
        m_stale_frame_open = true;
    else if (end >= 0)
        m_stale_frame_open = false;
}

// Appends a chunk; true when the attempt is over (answered or given up).
bool Exchange::collect_chunk(QByteArray &buffer, const QByteArray &chunk, bool *answered)
{
    QByteArray data = chunk;
    if (m_stale_frame_open && buffer.isEmpty()) {
        // The rest of a stale frame: up to its CR, or to the start of a new
        // frame if that rest never comes. An answer starts with '!'.
        const qsizetype end = data.indexOf('\r');
        const qsizetype start = data.indexOf('!');
        if (start >= 0 && (end < 0 || start < end)) {
            if (start > 0)
                qCDebug(lcLink) << "rest of a stale frame dropped:" << data.left(start);
            data.remove(0, start);
            m_stale_frame_open = false;
        } else if (end >= 0) {
            qCDebug(lcLink) << "rest of a stale frame dropped:" << data.left(end + 1);
            data.remove(0, end + 1);
            m_stale_frame_open = false;
        } else {
            qCDebug(lcLink) << "rest of a stale frame dropped:" << data;
            data.clear();
        }
    }
    buffer.append(data);
    // An answer ends at its CR. What follows in the same chunk is not part of
    // it: a late answer to an earlier attempt can arrive glued to this one.
    const qsizetype end = buffer.indexOf('\r');
    if (end >= 0) {
        if (end + 1 < buffer.size()) {
            qCDebug(lcLink) << "bytes after the answer dropped:" << buffer.mid(end + 1);
            note_dropped(buffer.mid(end + 1));
        }
        buffer.truncate(end + 1);
        *answered = true;
        return true;
    }
    // A line that keeps talking without a CR is not waited for without limit.
    return buffer.size() >= timing.attempt_byte_limit;
}

// An attempt that ends holding the start of a frame leaves the rest of that
// frame on its way: it is stale, never the start of the next answer.
void Exchange::note_unfinished(const QByteArray &collected)
{
    if (collected.isEmpty())
        return;
    qCDebug(lcLink) << "unfinished answer dropped:" << collected;
    note_dropped(collected);
}

// After an attempt that went unanswered, the unit may still answer it, after
// the answer just taken: it would arrive during the next request and be read
// as that request's answer (a whole-unit read then saves one value in the
// wrong place and goes on one answer behind). Everything that arrives is
// dropped until the line has been quiet for an attempt's idle ticks, within
// the attempt limit.
void Exchange::wait_out_late_answers()
{
    QElapsedTimer since;
    since.start();
    int idle = 0;
    while (line_open() && idle <= link_settings.MWAIT() && since.elapsed() < timing.attempt_limit_ms) {
        wait(timing.tick_ms, true);
        if (!line_open())
            return;
        if (m_port->bytesAvailable() <= 0) {
            ++idle;
            continue;
        }
        const QByteArray late = m_port->readAll();
        qCDebug(lcLink) << "late answer to an earlier attempt dropped:" << late;
        note_dropped(late);
        idle = 0;
    }
}

int Exchange::SendCommand(QByteArray &buffer, bool pre_wait)
{
    // Nobody to ask: the connection has ended (or never began).
    if (!line_open())
        return NoAnswer;
    lock(false);
    QByteArray frame = buffer;

    if (exchange_busy) {
        // Only a transaction further down this thread's stack can hold the
        // flag; it resumes only after this call returns, so waiting would
        // never end.
        qCWarning(lcLink) << "request refused: another transaction is in progress";
        return NoAnswer;
    }

    exchange_busy = 1;
    encode_frame(frame);
    qDebug() << "MREP " << link_settings.MREP() << "MWAIT  " << link_settings.MWAIT();

    // Every wait processes events, and the connection may end in one of
    // them: the port is looked at afresh after each.
    bool gone = false;
    for (int attempt = 1; attempt <= link_settings.MREP() && !gone; ++attempt) {
        if (!line_open())
            break;
        qDebug() << "SendCommand " << attempt << " " << frame;
        QElapsedTimer since_write;
        drop_unread_input();
        m_port->write(frame);
        m_port->flush();
        since_write.start();
        if (pre_wait)
            wait(timing.pre_wait_ms, true);

        buffer.clear();
        int idle = 0;
        bool answered = false;
        for (;;) {
            if (!line_open()) {
                gone = true;
                break;
            }
            wait(timing.tick_ms, true);
            if (!line_open()) {
                gone = true;
                break;
            }
            if (m_port->bytesAvailable() > 0) {
                const QByteArray chunk = m_port->readAll();
                qDebug() << "Reads " << chunk;
                if (!chunk.isEmpty()) {
                    if (collect_chunk(buffer, chunk, &answered))
                        break;
                    if (since_write.elapsed() >= timing.attempt_limit_ms)
                        break;
                    continue;
                }
            }
            if (++idle > link_settings.MWAIT() || since_write.elapsed() >= timing.attempt_limit_ms)
                break;
        }
        if (answered) {
            if (attempt > 1)
                wait_out_late_answers();
            lock(true);
            exchange_busy = 0;
            const int r = decode_frame(buffer);
            qDebug() << "SendCOmmand " << r;
            return r;
        }
        if (!gone)
            note_unfinished(buffer);
    }

    lock(true);
    exchange_busy = 0;
    return NoAnswer;
}

int Exchange::poll_exchange(QByteArray &buffer)
{
    if (exchange_busy || !line_open())
        return 1;
    exchange_busy = 1;
    drop_unread_input();
    m_port->write(buffer);
    m_port->flush();
    m_port->waitForBytesWritten(timing.tick_ms);
    buffer.clear();

    QElapsedTimer since_write;
    since_write.start();
    int result = 1;
    int idle = 0;
    // A line that goes away during the wait ends it: nothing more can come.
    while (line_open()) {
        QElapsedTimer step;
        step.start();
        const bool data = m_port->bytesAvailable() > 0 || m_port->waitForReadyRead(timing.tick_ms);
        if (data) {
            const QByteArray chunk = m_port->readAll();
            bool answered = false;
            if (!chunk.isEmpty()) {
                if (collect_chunk(buffer, chunk, &answered)) {
                    result = answered ? 0 : 1;
                    break;
                }
                if (since_write.elapsed() >= timing.attempt_limit_ms)
                    break;
                continue;
            }
        }
        // A port that gives up at once must not turn this loop into a spin:
        // every idle step lasts a whole tick.
        const qint64 left = timing.tick_ms - step.elapsed();
        if (left > 0)
            QThread::msleep(ulong(left));
        if (++idle > link_settings.MWAIT() || since_write.elapsed() >= timing.attempt_limit_ms)
            break;
    }
    if (result != 0)
        note_unfinished(buffer);
    exchange_busy = 0;
    return result;
}
