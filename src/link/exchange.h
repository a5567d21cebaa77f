#pragma once

#include "common/timing.h"
#include "link/link_settings.h"
#include "link/serial_port.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

// One request/answer transaction with the unit on the open port.
//
// SendCommand runs on the GUI thread and processes events while it waits, in
// ticks of tick_timer; the status poll's exchange blocks the thread instead,
// using the port's own blocking waits. Neither shows a message.
class Exchange : public QObject {
    Q_OBJECT
public:
    using ControlLock = std::function<void(bool enable)>;

    explicit Exchange(QObject *parent = nullptr);

    void set_port(SerialPort *port) { m_port = port; }
    SerialPort *port() const { return m_port; }
    // A port is set and open. Without one every transaction fails at once.
    bool line_open() const { return m_port && m_port->isOpen(); }
    // Called with false before and true after every transaction.
    void set_control_lock(ControlLock lock) { m_lock = std::move(lock); }

    // buffer holds the payload on entry; on Ok the decoded answer (checksum
    // byte last), otherwise what was collected. pre_wait adds the pause after
    // each write that set commands need. A request made from inside the event
    // processing of a running transaction is refused with NoAnswer at once,
    // and so is one without an open port (no attempt, no wait, the controls
    // untouched). A port that closes or goes during a wait ends the
    // transaction with NoAnswer at once.
    int SendCommand(QByteArray &buffer, bool pre_wait);

    // The status poll's single attempt: buffer holds an encoded request frame;
    // returns 0 with the CR-terminated answer text in buffer, 1 on time-out
    // (at once without an open port). The thread is blocked meanwhile; no
    // events are processed.
    int poll_exchange(QByteArray &buffer);

    // Processes events until ms have passed on tick_timer.
    void wait_ms(int ms);
    // Nonzero while a wait_ms is processing events further down the stack:
    // whatever runs now runs in the middle of an operation.
    int waiting() const { return m_wait_depth; }

    QTimer tick_timer;  // the time base of every wait; never left running
    int tick_flag = 0;
    // 1 while a transaction is in progress. One transaction at a time: the
    // status poll skips its turn while it is set, other operations wait for it.
    int exchange_busy = 0;
    // The line's attempts and idle ticks, and the time constants of every wait.
    LinkSettings link_settings;
    Timing timing;

public slots:
    void wait_answer() { tick_flag = 1; }

private:
    // wait_ms; with watch_line it also ends as soon as the line closes.
    void wait(int ms, bool watch_line);
    void lock(bool enable);
    bool collect_chunk(QByteArray &buffer, const QByteArray &chunk, bool *done);
    void drop_unread_input();
    void note_dropped(const QByteArray &dropped);
    void note_unfinished(const QByteArray &collected);
    void wait_out_late_answers();

    SerialPort *m_port = nullptr;
    ControlLock m_lock;
    int m_wait_depth = 0;
    // Bytes dropped as stale ended inside a frame: the rest of that frame is
    // still on its way and is no part of the next answer.
    bool m_stale_frame_open = false;
};
