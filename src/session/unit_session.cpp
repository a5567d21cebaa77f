#include "session/unit_session.h"

#include "channels/unit_codes.h"
#include "channels/unit_requests.h"
#include "link/port_factory.h"
#include "link/port_failure.h"

namespace {

constexpr int kInitialBaud = 4800;
// Unanswered polls in a row after which the state shown no longer holds.
constexpr int kStateUnknownAfter = 3;

}  // namespace

UnitSession::UnitSession(const Timing &timing, QObject *parent) : QObject(parent)
{
    m_exchange.timing = timing;
    connect(&m_poll_timer, &QTimer::timeout, this, &UnitSession::poll_due);
}

UnitSession::~UnitSession()
{
    m_poll_timer.stop();
    // Let a running transaction finish before the port goes. Only a
    // transaction further down this thread's stack can hold the flag, and it
    // cannot end while we wait here, so the wait is bounded.
    for (int i = 0; m_exchange.exchange_busy && i < 300; ++i)
        m_exchange.wait_ms(timing().tick_ms);
    m_exchange.tick_timer.stop();
    m_exchange.set_port(nullptr);
    if (m_port)
        m_port->close();
}

void UnitSession::set_state(ConnectionState state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit state_changed(state);
}

QString UnitSession::failure_text(bool detailed) const
{
    if (!m_port)
        return QString();
    // A network port's own text is always its reason's detail: the step
    // that failed and what the server said or set.
    const bool detail = detailed || is_network_port_name(m_port_name);
    return port_failure_text(m_port->failure(), m_port_name, detail ? m_port->errorString() : QString());
}

bool UnitSession::open_line(const QString &name)
{
    close();
    set_state(ConnectionState::Connecting);
    m_port_name = name;
    m_port = m_make_port ? m_make_port(name) : make_port(name, timing());
    if (!m_port || !m_port->open(name, LineSettings{kInitialBaud}))
        return false;
    m_exchange.set_port(m_port.get());
    // The port reports the loss from inside its own notification; it is
    // passed on from the event loop, after the port has returned.
    m_port->set_lost_handler([this, id = m_connection_id] {
        emit port_lost();
        QMetaObject::invokeMethod(
            this, [this, id] { report_lost(id); }, Qt::QueuedConnection);
    });
    poll_fail_count = 0;
    return true;
}

bool UnitSession::set_line_speed()
{
    return m_port && m_port->setBaudRate(speed_of_index(link_settings().speed_index));
}

bool UnitSession::broadcast_line_speed(const std::function<void(int)> &step,
                                       const std::function<bool()> &cancelled)
{
    const int chosen = link_settings().speed_index;
    for (int i = 0; i < 6; ++i) {
        if (i == chosen)
            continue;
        if (!m_port || !m_port->setBaudRate(speed_of_index(i)))
            return false;
        QByteArray buffer = requests::line_speed_payload(chosen);
        SendCommand(buffer, true);  // nobody answers a broadcast reliably
        if (step)
            step(i);
        if (cancelled && cancelled()) {
            close();
            return false;
        }
    }
    return true;
}

void UnitSession::connection_made()
{
    // A unit reconnected after a loss of contact gets its full count of
    // unanswered polls again.
    poll_fail_count = 0;
    set_state(ConnectionState::Connected);
}

bool UnitSession::begin_ending()
{
    if (m_state != ConnectionState::Connected || !m_port)
        return false;
    m_poll_timer.stop();
    set_state(ConnectionState::Ending);
    return true;
}

void UnitSession::close()
{
    m_poll_timer.stop();
    m_exchange.set_port(nullptr);
    ++m_connection_id;
    if (m_port) {
        m_port->close();
        if (m_operation_depth > 0)
            m_retired_port = std::move(m_port);
        else
            m_port.reset();
    }
    // A transaction still on the stack ends as soon as it sees the port gone.
    m_exchange.exchange_busy = 0;
    set_state(ConnectionState::Disconnected);
}

void UnitSession::report_lost(int connection)
{
    // While connecting, the connection's next exchange fails and says so.
    if (connection != m_connection_id || !m_port || m_state == ConnectionState::Connecting)
        return;
    emit line_lost();
}

UnitLink UnitSession::link()
{
    UnitLink link;
    link.send = [this](QByteArray &payload, bool pre_wait) { return SendCommand(payload, pre_wait); };
    link.wait = [this](int ms) { wait_ms(ms); };
    link.timing = timing();
    link.link_settings = &link_settings();
    return link;
}

void UnitSession::start_poll()
{
    if (line_open())
        m_poll_timer.start(timing().poll_period_ms);
}

UnitSession::PollResult UnitSession::poll(QByteArray &frame)
{
    if (m_exchange.poll_exchange(frame) == 0) {
        poll_fail_count = 0;
        return PollResult::Answered;
    }
    // A port that reports its line gone needs no twenty polls to tell.
    if (!line_open())
        return PollResult::LineGone;
    if (++poll_fail_count >= codes::kPollFailLimit)
        return PollResult::Limit;
    return poll_fail_count >= kStateUnknownAfter ? PollResult::StateUnknown : PollResult::Missed;
}

UnitSession::Operation::~Operation()
{
    UnitSession &s = m_session;
    if (--s.m_operation_depth > 0)
        return;
    s.m_retired_port.reset();
    if (s.m_port && !s.m_port->isOpen() && s.m_state != ConnectionState::Connecting)
        QMetaObject::invokeMethod(
            &s, [&s, id = s.m_connection_id] { s.report_lost(id); }, Qt::QueuedConnection);
}
