#pragma once

#include "common/timing.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/serial_port.h"
#include "link/unit_link.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

// Where a connection to a unit stands.
enum class ConnectionState {
    Disconnected,  // no port
    Connecting,    // the port is open, the unit is being identified
    Connected,     // the unit answered; the form shows it
    Ending,        // the loss of contact is being told; the port closes next
};

// One connection to a unit: the port, the exchange with its line settings
// and time constants, the connection's state, the status poll's timer and
// its count of unanswered polls. The window holds one for its whole life,
// each command of the tool (and each line of a site-wide command) one of its
// own. No widget: what happens is reported through signals and results.
class UnitSession : public QObject {
    Q_OBJECT
public:
    using PortMaker = std::function<std::unique_ptr<SerialPort>(const QString &name)>;

    explicit UnitSession(const Timing &timing = Timing(), QObject *parent = nullptr);
    ~UnitSession() override;

    // The port that opens a name; null: the core's make_port.
    void set_port_maker(PortMaker maker) { m_make_port = std::move(maker); }

    Timing &timing() { return m_exchange.timing; }
    const Timing &timing() const { return m_exchange.timing; }
    LinkSettings &link_settings() { return m_exchange.link_settings; }
    Exchange &exchange() { return m_exchange; }
    const Exchange &exchange() const { return m_exchange; }
    // Broadcast the line speed at every other speed before connecting.
    int speed_search = 0;

    ConnectionState state() const { return m_state; }
    // A port is open: a unit is connected or being connected.
    bool line_open() const { return m_port && m_port->isOpen(); }
    SerialPort *port() const { return m_port.get(); }
    QString port_name() const { return m_port_name; }
    // Why the port did not open or went away, for the message's informative
    // text (with the port's own error text as the fallback when detailed).
    QString failure_text(bool detailed = false) const;

    // Opens name at 4800 baud, as every connection starts; the state becomes
    // Connecting. False when the port cannot be made or does not open: the
    // state stays Connecting, and the port stays for failure_text, until the
    // caller has told the user and calls close().
    bool open_line(const QString &name);
    // Switches the open port to the line speed of the settings; false when
    // the port did not take it (failure_text() tells why, the line stays
    // open until the caller has told the user and calls close()).
    bool set_line_speed();
    // Broadcasts set_line_speed at every speed but the chosen one, so that
    // a unit listening at any of them switches over. step(i) after each;
    // false as soon as cancelled() says so (the line is then closed), or
    // when the port did not take one of the speeds (the line stays open).
    bool broadcast_line_speed(const std::function<void(int)> &step, const std::function<bool()> &cancelled);
    // The unit answered and its form is shown: Connected, with the full count
    // of unanswered polls again.
    void connection_made();
    // The loss of contact is being told; false when there is no connection
    // to end, or it is ending or being made.
    bool begin_ending();
    // Closes the port: Disconnected. A port closed while an operation is on
    // the stack is kept in memory until the operation has returned.
    void close();

    // One transaction (Exchange::SendCommand), the pause of the exchange, and
    // both as the core's request sequences take them.
    int SendCommand(QByteArray &buffer, bool pre_wait) { return m_exchange.SendCommand(buffer, pre_wait); }
    void wait_ms(int ms) { m_exchange.wait_ms(ms); }
    UnitLink link();
    // A transaction runs, or a wait is processing events, further down the
    // stack: whatever runs now runs in the middle of an operation.
    bool busy() const { return m_exchange.exchange_busy || m_exchange.waiting() || m_operation_depth > 0; }

    // The status poll: its timer (its timeout is poll_due), started only on
    // an open line, and one poll of an encoded frame with the end-of-
    // connection rule.
    void start_poll();
    void stop_poll() { m_poll_timer.stop(); }
    bool polling() const { return m_poll_timer.isActive(); }
    QTimer &poll_timer() { return m_poll_timer; }
    enum class PollResult {
        Answered,      // frame holds the answer text
        Missed,        // no answer; the state shown still holds
        StateUnknown,  // no answer, 3 or more in a row: the state shown no longer holds
        LineGone,      // the port reports its line gone: the connection ends
        Limit,         // 20 unanswered in a row: the connection ends
    };
    PollResult poll(QByteArray &frame);
    // Polls in a row that got no answer.
    int poll_fail_count = 0;

    // Marks an operation of the window (a setter, a read-back, a transfer,
    // ...) for its whole run: while one is on the stack the port is not
    // destroyed, and a port found closed when the outermost one returns is
    // reported as lost, also one that never reported it.
    class Operation {
    public:
        explicit Operation(UnitSession &session) : m_session(session) { ++m_session.m_operation_depth; }
        ~Operation();
        Operation(const Operation &) = delete;
        Operation &operator=(const Operation &) = delete;

    private:
        UnitSession &m_session;
    };

signals:
    void state_changed(ConnectionState state);
    // The open line went away (the port reported it, or it was found closed
    // after an operation); queued, never while connecting.
    void line_lost();
    // The same at once, from inside the port's notification: the port must
    // not be closed or destroyed by whoever takes it.
    void port_lost();
    void poll_due();

private:
    void set_state(ConnectionState state);
    void report_lost(int connection);

    Exchange m_exchange;
    PortMaker m_make_port;
    std::unique_ptr<SerialPort> m_port;
    // A port closed while an operation was on the stack.
    std::unique_ptr<SerialPort> m_retired_port;
    QString m_port_name;
    ConnectionState m_state = ConnectionState::Disconnected;
    // Number of the current port; a loss reported by an earlier one is ignored.
    int m_connection_id = 0;
    int m_operation_depth = 0;
    QTimer m_poll_timer;
};
