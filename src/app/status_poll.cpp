// The periodic status poll of the current channel.
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "channels/unit_codes.h"
#include "link/frames.h"
#include "link/port_failure.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <optional>

namespace {

using codes::kPollChannel;

// Hands the poll's outcome to the window's listeners (the level plot) when
// g_point returns, whichever way: the reading once one has been decoded,
// else an unanswered poll. It sends nothing.
struct PollReport {
    explicit PollReport(MainWindow &window) : m_window(window) {}
    ~PollReport() { m_window.report_poll(reading); }
    MainWindow &m_window;
    std::optional<answers::PollReading> reading;
};

// last_state while the label shows no state (from the third unanswered poll
// in a row); no state byte equals it, so the next answer repaints the label.
constexpr int kStateUnknown = -1;

}  // namespace

void MainWindow::g_point()
{
    // A transaction is running further down the stack; skip this turn.
    if (m_session.exchange().exchange_busy)
        return;
    // The connection ended under an operation that went on to restart the poll.
    if (!m_session.port()) {
        m_session.stop_poll();
        return;
    }
    PollReport report(*this);
    QByteArray buffer = readback::request(m_model.unit_address, kPollChannel, m_model.current_channel);
    encode_frame(buffer);
    switch (m_session.poll(buffer)) {
    case UnitSession::PollResult::LineGone:
        end_connection(m_session.failure_text());
        return;
    case UnitSession::PollResult::Limit:
        end_connection(QString());
        return;
    case UnitSession::PollResult::StateUnknown:
        if (m_form.last_state != kStateUnknown) {
            set_state_label(0);
            m_form.last_state = kStateUnknown;
        }
        return;
    case UnitSession::PollResult::Missed:
        return;
    case UnitSession::PollResult::Answered:
        break;
    }
    if (decode_frame(buffer) != 0)
        return;

    const int mode = m_model.current_mode();
    const answers::PollReading reading = answers::read_poll_answer(buffer, mode);
    report.reading = reading;
    if (reading.has_level) {
        m_form.last_level = reading.level;
        ui->perepil_txt->setText(answers::level_text(m_form.last_level));
    } else {
        m_form.last_level = 0;
    }
    if (reading.state != m_form.last_state) {
        m_form.last_state = reading.state;
        show_info(reading.state);
    }
}
