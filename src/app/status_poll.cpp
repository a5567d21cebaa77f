// The periodic status poll of the current channel.
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "channels/unit_codes.h"
#include "link/frames.h"
#include "link/port_failure.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <optional>

int poll_fail_count = 0;

namespace {

using codes::kPollChannel;
using codes::kPollFailLimit;

// Hands the poll's outcome to the window's listeners (the level plot) when
// g_point returns, whichever way: the reading once one has been decoded,
// else an unanswered poll. It sends nothing.
struct PollReport {
    explicit PollReport(MainWindow &window) : m_window(window) {}
    ~PollReport() { m_window.report_poll(reading); }
    MainWindow &m_window;
    std::optional<answers::PollReading> reading;
};

// Unanswered polls in a row after which the state shown no longer holds:
// the label goes blank on grey until an answer comes.
constexpr int kStateUnknownAfter = 3;
// last_state while the label shows no state; no state byte equals it, so the
// next answer repaints the label.
constexpr int kStateUnknown = -1;

}  // namespace

void MainWindow::g_point()
{
    // A transaction is running further down the stack; skip this turn.
    if (exchange_busy)
        return;
    // The connection ended under an operation that went on to restart the poll.
    if (!port) {
        poll_timer->stop();
        return;
    }
    PollReport report(*this);
    QByteArray buffer = readback::request(unit_address, kPollChannel, current_channel);
    encode_frame(buffer);
    if (exchange->poll_exchange(buffer) != 0) {
        // A port that reports its line gone needs no twenty polls to tell.
        if (!port->isOpen()) {
            end_connection(port_failure_text(port->failure(), m_port_name));
            return;
        }
        if (++poll_fail_count >= kPollFailLimit) {
            end_connection(QString());
            return;
        }
        if (poll_fail_count >= kStateUnknownAfter && last_state != kStateUnknown) {
            set_state_label(0);
            last_state = kStateUnknown;
        }
        return;
    }
    poll_fail_count = 0;
    if (decode_frame(buffer) != 0)
        return;

    const int mode = channel_mode[current_channel];
    const answers::PollReading reading = answers::read_poll_answer(buffer, mode);
    report.reading = reading;
    if (reading.has_level) {
        last_level = reading.level;
        ui->perepil_txt->setText(answers::level_text(last_level));
    } else {
        last_level = 0;
    }
    if (reading.state != last_state) {
        last_state = reading.state;
        show_info(reading.state);
    }
}
